// The Progress view: the terminal's progress report and chart made from the games kept on this page, by the same
// engine as a WebAssembly program of its own, loaded the first time the view opens; and the last game to watch.
var velkPage = window.velkPage || (window.velkPage = {});

(function () {
  var view = document.getElementById('progress');
  var report = document.getElementById('progress-report');
  var chart = document.getElementById('progress-chart');
  var skipped = document.getElementById('progress-skipped');
  var watchButton = document.getElementById('progress-watch');
  var build = document.documentElement.getAttribute('data-build');
  var engine = null;  // resolves to the report program once loaded
  var newest = null;  // the name of the last game kept

  function describe(error) {
    return (error && (error.name || error.message)) || String(error);
  }

  function loadEngine() {
    engine = engine || new Promise(function (resolve, reject) {
      var script = document.createElement('script');
      script.src = velkPage.address('velkprogress.js');
      script.onload = function () {
        window.VelkProgress({
          locateFile: function (name, folder) { return folder + velkPage.address(name); }
        }).then(resolve, reject);
      };
      script.onerror = function () { reject(new Error('velkprogress.js could not be loaded')); };
      document.head.appendChild(script);
    });
    engine.catch(function () { engine = null; });  // the next opening tries again
    return engine;
  }

  // Calls one of the program's functions with string arguments, which may be megabytes: on its heap, not its stack.
  function call(program, name, texts) {
    var places = texts.map(function (text) {
      var size = program.lengthBytesUTF8(text) + 1;
      var place = program._malloc(size);
      program.stringToUTF8(text, place, size);
      return place;
    });
    try {
      return program.ccall(name, 'string', texts.map(function () { return 'number'; }), places);
    } finally {
      places.forEach(function (place) { program._free(place); });
    }
  }

  // Each kept game summarised, from its kept summary or replayed (one at a time: the game's state is global),
  // then the report; the answers worked out now are kept beside their games.
  function makeReport(program, games) {
    var notCounted = [];
    var learnt = [];
    program.ccall('velk_progress_clear', null, [], []);
    return games.reduce(function (done, game) {
      var name = game[0];
      var known = game[1].build === build && typeof game[1].result === 'string' ? game[1].result : '';
      return done.then(function () {
        if (known.charAt(0) === '-') return notCounted.push('skipped ' + known.slice(1));
        return (known ? Promise.resolve('') : velkPage.games.demo(name)).then(function (demo) {
          var result = call(program, 'velk_progress_add', [name, typeof demo === 'string' ? demo : '', known.slice(1)]);
          if (result.charAt(0) === '-') notCounted.push('skipped ' + result.slice(1));
          if (result !== known) learnt.push([name, result]);
        });
      });
    }, Promise.resolve()).then(function () {
      report.textContent = program.ccall('velk_progress_report', 'string', ['number'], [Date.now() / 1000]);
      var svg = new DOMParser().parseFromString(program.ccall('velk_progress_svg', 'string', [], []), 'image/svg+xml');
      chart.textContent = '';
      chart.appendChild(document.importNode(svg.documentElement, true));
      skipped.textContent = notCounted.join('\n');
      return velkPage.games.remember(learnt, build);
    });
  }

  function show() {
    view.hidden = false;
    report.textContent = 'Working out the progress of the games kept here…';
    chart.textContent = skipped.textContent = '';
    watchButton.disabled = true;
    Promise.all([loadEngine(), velkPage.games.list()]).then(function (loaded) {
      var games = loaded[1];
      newest = games.length ? games[games.length - 1][0] : null;
      watchButton.disabled = newest === null;
      return makeReport(loaded[0], games);
    }).catch(function (error) {
      report.textContent = 'The progress report could not be made (' + describe(error) + ').';
    });
  }

  watchButton.addEventListener('click', function () {
    velkPage.games.demo(newest).then(function (demo) {
      if (typeof demo === 'string') velkPage.playDemo(demo);
    }).catch(function (error) {
      velkPage.notice('The last game could not be read (' + describe(error) + ').');
    });
  });
  document.getElementById('progress-close').addEventListener('click', function () { view.hidden = true; });

  var opener = document.createElement('button');
  opener.type = 'button';
  opener.id = 'progress-open';
  opener.textContent = 'Progress';
  opener.addEventListener('click', show);
  document.getElementById('demo-bar').appendChild(opener);
})();
