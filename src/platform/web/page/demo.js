// The page's demos: every game played here is recorded, kept and offered as a download when it ends; a demo file
// opened on the page (its button, or dropped on it) plays here instead, in the same format as the terminal's.
var velkPage = window.velkPage || (window.velkPage = {});

(function () {
  var RECORDED = '/velk-game.demo';  // outside the working folder, so never handed to browser storage
  var PLAYED = '/velk-played.demo';
  var WAITING = 'velk-demo-to-play';  // a demo chosen on the page, played after the reload that starts it

  var started = new Date();
  var toPlay = null;
  try {
    toPlay = sessionStorage.getItem(WAITING);
    sessionStorage.removeItem(WAITING);
  } catch (error) {
    toPlay = null;
  }

  Module.arguments = toPlay !== null ? ['--play', PLAYED] : ['--record', RECORDED];
  Module.preRun = [].concat(Module.preRun || [], [function () {
    if (toPlay !== null) Module.FS.writeFile(PLAYED, toPlay);
  }]);

  // Plays a demo's text: the game starts again on it.
  velkPage.playDemo = function (text) {
    try {
      sessionStorage.setItem(WAITING, text);
    } catch (error) {
      velkPage.notice('The demo could not be kept for playing (' + (error.name || error) + ').');
      return;
    }
    location.reload();
  };

  function play(file) {
    file.text().then(velkPage.playDemo);
  }

  var chooser = document.createElement('input');
  chooser.type = 'file';
  chooser.accept = '.demo,text/plain';
  chooser.id = 'demo-file';
  chooser.hidden = true;
  chooser.addEventListener('change', function () {
    if (chooser.files.length) play(chooser.files[0]);
  });
  var opener = document.createElement('button');
  opener.type = 'button';
  opener.id = 'demo-open';
  opener.textContent = toPlay !== null ? 'Playing a demo. Open another…' : 'Play a demo…';
  opener.addEventListener('click', function () { chooser.click(); });
  var bar = document.createElement('p');
  bar.id = 'demo-bar';
  bar.appendChild(opener);
  bar.appendChild(chooser);
  document.body.insertBefore(bar, document.getElementById('notices'));

  document.addEventListener('dragover', function (event) { event.preventDefault(); });
  document.addEventListener('drop', function (event) {
    event.preventDefault();
    if (event.dataTransfer.files.length) play(event.dataTransfer.files[0]);
  });

  // When the game ends, its demo is kept (a new game waits for that) and offered beside the end panel's button.
  var end = velkPage.end;
  velkPage.end = function (code, stored, reason) {
    var text = null;
    try {
      if (!velkPage.hasEnded() && toPlay === null) text = Module.FS.readFile(RECORDED, { encoding: 'utf8' });
    } catch (error) {
      text = null;
    }
    end(code, text === null ? stored : Promise.all([stored, velkPage.games.keep(started, text)]), reason);
    if (text === null) return;
    var link = document.createElement('a');
    link.id = 'ended-demo';
    link.href = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
    link.download = 'velk-' + new Date().toISOString().slice(0, 19).replace(/[T:]/g, '-') + '.demo';
    link.textContent = 'Download this game\'s demo';
    document.getElementById('ended').appendChild(link);
  };
})();
