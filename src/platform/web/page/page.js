// The page around the game: start-up messages, the runtime's settings, the panel shown when the game ends, and
// the service worker that keeps the page for offline play.
var velkPage = window.velkPage || (window.velkPage = {});

(function () {
  var statusLine = document.getElementById('status');
  var noticeLines = document.getElementById('notices');
  var endedPanel = document.getElementById('ended');
  var endedText = document.getElementById('ended-text');
  var againButton = document.getElementById('ended-again');
  var endedCode = null;
  var settled = Promise.resolve();

  var build = document.documentElement.getAttribute('data-build');

  // The address of one of the page's files in this page's build: the service worker serves that build only.
  velkPage.address = function (name) {
    return name + '?b=' + build;
  };

  velkPage.status = function (text) {
    statusLine.textContent = text;
  };

  // A line that stays on the page: a file that could not be loaded, storage that does not work.
  velkPage.notice = function (text) {
    if (noticeLines.textContent.split('\n').indexOf(text) >= 0) return;
    noticeLines.textContent += (noticeLines.textContent ? '\n' : '') + text;
    console.warn('VELK: ' + text);
  };

  velkPage.hasEnded = function () {
    return endedCode !== null;
  };

  velkPage.endedCode = function () {
    return endedCode;
  };

  // code: the game's exit code; stored: resolves once the game's files are in browser storage.
  velkPage.end = function (code, stored, reason) {
    if (endedCode !== null) return;
    endedCode = code;
    velkPage.status('');  // a watched demo's note is over too
    settled = stored || Promise.resolve();
    endedText.textContent = reason || 'The game has ended (exit code ' + code + ').';
    endedPanel.hidden = false;
    againButton.focus();
  };

  againButton.addEventListener('click', function () {
    againButton.disabled = true;
    settled.then(function () { location.reload(); });
  });

  window.Module = {
    locateFile: function (name, folder) { return folder + velkPage.address(name); },
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    onRuntimeInitialized: function () {
      velkPage.status('');
    },
    onAbort: function (what) {
      velkPage.status('');
      velkPage.end(-1, Promise.resolve(), 'The game stopped on an error.');
      console.error('VELK: the game stopped:', what);
    }
  };

  // Where service workers exist (secure pages), the page and its files stay available without a network.
  if (navigator.serviceWorker) {
    window.addEventListener('load', function () {
      navigator.serviceWorker.register('service-worker.js').catch(function (error) {
        console.warn('VELK: the page cannot be kept for offline play:', error);
      });
    });
  }
})();
