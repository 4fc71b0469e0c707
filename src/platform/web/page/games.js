// The games played on this page, each kept in browser storage as its demo under its start time, the oldest removed
// past 1,000 games or 100 MB as the terminal's kept folder is; read back for the Progress view.
var velkPage = window.velkPage || (window.velkPage = {});

velkPage.games = (function () {
  var DB_NAME = 'velk-games';
  var DEMOS = 'games';  // name: the demo's text
  // name: { bytes, build, result }: what pruning and the report need, so that neither reads the demos. result is
  // the report program's answer for the demo ('+' and its summary, '-' and why it is not counted) under build.
  var FACTS = 'facts';
  var MAX_GAMES = 1000;
  var MAX_BYTES = 100000000;

  function describe(error) {
    return (error && (error.name || error.message)) || String(error);
  }

  function two(number) {
    return (number < 10 ? '0' : '') + number;
  }

  // The terminal's name for a game started at this local time, so that names sort by start: copy 2 and on
  // for another game started in the same second.
  function nameOf(date, copy) {
    return date.getFullYear() + '-' + two(date.getMonth() + 1) + '-' + two(date.getDate()) + 'T' +
      two(date.getHours()) + '-' + two(date.getMinutes()) + '-' + two(date.getSeconds()) +
      (copy > 1 ? '-' + copy : '') + '.demo';
  }

  function open() {
    return new Promise(function (resolve, reject) {
      var request = indexedDB.open(DB_NAME, 1);
      request.onupgradeneeded = function () {
        request.result.createObjectStore(DEMOS);
        request.result.createObjectStore(FACTS);
      };
      request.onsuccess = function () { resolve(request.result); };
      request.onerror = function (event) {
        event.preventDefault();
        reject(request.error);
      };
    });
  }

  // Runs work(stores, done) in one transaction over both stores; resolves with what work passed to done once
  // the transaction is complete.
  function inTransaction(mode, work) {
    return open().then(function (db) {
      return new Promise(function (resolve, reject) {
        var transaction = db.transaction([DEMOS, FACTS], mode);
        var value;
        transaction.oncomplete = function () {
          db.close();
          resolve(value);
        };
        transaction.onabort = function () {
          db.close();
          reject(transaction.error || new Error('aborted'));
        };
        try {
          work(transaction.objectStore(DEMOS), transaction.objectStore(FACTS), function (result) { value = result; });
        } catch (error) {
          transaction.abort();
          reject(error);
        }
      });
    });
  }

  // Every kept game's facts, oldest first: [name, facts].
  function readFacts(facts, then) {
    var found = [];
    var request = facts.openCursor();
    request.onsuccess = function () {
      var cursor = request.result;
      if (!cursor) return then(found);
      found.push([cursor.key, cursor.value || {}]);
      cursor['continue']();
    };
  }

  return {
    // Keeps the demo of a game started at `started`; never rejects: a game storage refuses is said once.
    keep: function (started, text) {
      var bytes = new Blob([text]).size;
      return inTransaction('readwrite', function (demos, facts) {
        readFacts(facts, function (found) {
          var names = found.map(function (entry) { return entry[0]; });
          var copy = 1;
          while (names.indexOf(nameOf(started, copy)) >= 0) copy++;
          var name = nameOf(started, copy);
          demos.put(text, name);
          facts.put({ bytes: bytes }, name);
          found.push([name, { bytes: bytes }]);
          found.sort(function (a, b) { return a[0] < b[0] ? -1 : a[0] > b[0] ? 1 : 0; });
          var total = found.reduce(function (sum, entry) { return sum + (entry[1].bytes || 0); }, 0);
          for (var at = 0; at < found.length && (found.length - at > MAX_GAMES || total > MAX_BYTES); at++) {
            if (found[at][0] === name) continue;  // this game stays whatever the clock did
            demos['delete'](found[at][0]);
            facts['delete'](found[at][0]);
            total -= found[at][1].bytes || 0;
            found.splice(at--, 1);
          }
        });
      }).catch(function (error) {
        velkPage.notice('This game could not be kept in browser storage (' + describe(error) + ').');
      });
    },

    // [name, facts] of every kept game, oldest first.
    list: function () {
      return inTransaction('readonly', function (demos, facts, done) { readFacts(facts, done); });
    },

    // The demo kept under name (undefined when there is none).
    demo: function (name) {
      return inTransaction('readonly', function (demos, facts, done) {
        var request = demos.get(name);
        request.onsuccess = function () { done(request.result); };
      });
    },

    // Keeps the report program's answers ([name, result]) beside their games; one that cannot be kept is only
    // worked out again next time.
    remember: function (results, build) {
      if (!results.length) return Promise.resolve();
      return inTransaction('readwrite', function (demos, facts) {
        results.forEach(function (entry) {
          var request = facts.get(entry[0]);
          request.onsuccess = function () {
            if (!request.result) return;  // removed meanwhile
            request.result.build = build;
            request.result.result = entry[1];
            facts.put(request.result, entry[0]);
          };
        });
      }).catch(function () {});
    }
  };
})();
