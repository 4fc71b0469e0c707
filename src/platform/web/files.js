// Web backend, start-up and files (linked in front of the program): the served package becomes the working
// folder, the files the game saves are kept in IndexedDB at once, and the end of main is reported to the page.
// Kept to plain ES5: the toolchain's JavaScript minifier mangles newer syntax.
var velkFiles = (function () {
  var WORK = '/velk';
  var DB_NAME = 'velk-files';
  var DB_STORE = 'files';
  var STORAGE_WAIT_MS = 5000;  // storage that has not answered by then counts as unavailable

  var packageNames = {};  // names the package brought: they come from the server, never from storage
  var database = null;    // the open IndexedDB database; null while or where browser storage is unavailable
  var unsaved = {};       // names saved by the game and not yet handed to storage
  var writing = Promise.resolve();  // the storage writes, one after the other; never rejects
  var endedCode = null;

  function describe(error) {
    return (error && (error.name || error.message)) || String(error);
  }

  var files = {
    storedWrites: 0,      // completed writes to IndexedDB

    load: function () {
      addRunDependency('velk-files');
      FS.mkdir(WORK);
      // Whatever fails here is said on the page, and the game starts all the same: without a stored
      // record, or with a package its own check rejects.
      Promise.all([fetchPackage(), openStorage().then(readStored)]).then(function (results) {
        restoreStored(results[1]);
      }).catch(function (error) {
        velkPage.notice('The game\'s files could not be prepared (' + describe(error) + ').');
      }).then(function () {
        FS.chdir(WORK);
        removeRunDependency('velk-files');
      });
    },

    // The game's save: the working folder's file, then browser storage at once. 1 when the file is written.
    save: function (name, bytes) {
      try {
        FS.writeFile(name, bytes);
      } catch (error) {
        return 0;
      }
      unsaved[name] = true;
      files.flush();
      return 1;
    },

    // Hands every saved file storage does not hold yet to IndexedDB.
    flush: function () {
      var names = Object.keys(unsaved);
      if (!names.length || !database) return;
      unsaved = {};
      var entries = names.map(function (name) { return [name, FS.readFile(WORK + '/' + name)]; });
      writing = writing.then(function () { return store(entries); });
    },

    // Resolves once everything saved so far has been written to IndexedDB (or refused).
    settled: function () {
      return writing;
    },

    // The game has ended with this exit code: tell the page (once).
    ended: function (code) {
      if (endedCode !== null) return;
      endedCode = code;
      files.flush();
      velkPage.end(code, files.settled());
    }
  };

  function fetchBytes(name) {
    var failed = function (why) {
      velkPage.notice(name + ' could not be loaded (' + why + ').');
      return null;
    };
    return fetch(velkPage.address(name), { cache: 'no-cache' }).then(function (response) {
      if (!response.ok) return failed('HTTP ' + response.status);
      return response.arrayBuffer().then(function (buffer) { return new Uint8Array(buffer); });
    }).catch(function (error) { return failed(describe(error)); });
  }

  // Writes every file the package list names and the server delivers; a missing one stays missing,
  // so the game's own package check reports it.
  function fetchPackage() {
    return fetchBytes('package.txt').then(function (list) {
      var names = list ? new TextDecoder().decode(list).split('\n') : [];
      var loads = [];
      names.forEach(function (line) {
        var name = line.trim();
        if (!name || name.indexOf('/') >= 0) return;
        packageNames[name] = true;
        loads.push(fetchBytes(name).then(function (bytes) {
          if (bytes) FS.writeFile(WORK + '/' + name, bytes);
        }));
      });
      return Promise.all(loads);
    });
  }

  // The database, or null (said on the page) where storage is missing, refused or does not answer.
  function openStorage() {
    return new Promise(function (resolve) {
      var answered = false;
      var answer = function (db, why) {
        if (answered) {
          if (db) db.close();
          return;
        }
        answered = true;
        clearTimeout(timer);
        if (!db) velkPage.notice('Browser storage is unavailable (' + why + '): the record will not be kept.');
        resolve(db);
      };
      var timer = setTimeout(function () { answer(null, 'no answer'); }, STORAGE_WAIT_MS);
      try {
        var request = indexedDB.open(DB_NAME, 1);
        request.onupgradeneeded = function () { request.result.createObjectStore(DB_STORE); };
        request.onsuccess = function () { answer(request.result); };
        request.onerror = function (event) {
          event.preventDefault();
          answer(null, describe(request.error));
        };
      } catch (error) {
        answer(null, describe(error));
      }
    });
  }

  function readStored(db) {
    database = db;
    if (!db) return [];
    return new Promise(function (resolve) {
      var found = [];
      var unreadable = function (error) {
        velkPage.notice('The stored record could not be read (' + describe(error) + '): the game goes on without.');
        resolve([]);
      };
      try {
        var request = db.transaction(DB_STORE, 'readonly').objectStore(DB_STORE).openCursor();
        request.onsuccess = function () {
          var cursor = request.result;
          if (!cursor) return resolve(found);
          found.push([cursor.key, cursor.value]);
          cursor['continue']();
        };
        request.onerror = function (event) {
          event.preventDefault();
          unreadable(request.error);
        };
      } catch (error) {
        unreadable(error);
      }
    });
  }

  function restoreStored(found) {
    found.forEach(function (entry) {
      var name = entry[0];
      if (typeof name !== 'string' || !name || name.indexOf('/') >= 0 || packageNames[name]) return;
      try {
        if (!(entry[1] instanceof Uint8Array)) throw new TypeError('not a file');
        FS.writeFile(WORK + '/' + name, entry[1]);
      } catch (error) {
        var why = describe(error);
        velkPage.notice('The stored ' + name + ' could not be read (' + why + '): the game goes on without it.');
      }
    });
  }

  // One transaction for the files of one flush: all of them are kept, or none.
  function store(entries) {
    return new Promise(function (resolve) {
      var refused = function (error) {
        velkPage.notice('Browser storage refused to keep the record high score (' + describe(error) + ').');
        resolve();
      };
      var transaction;
      try {
        transaction = database.transaction(DB_STORE, 'readwrite');
        var objects = transaction.objectStore(DB_STORE);
        entries.forEach(function (entry) { objects.put(entry[1], entry[0]); });
      } catch (error) {
        try {
          if (transaction) transaction.abort();
        } catch (ignored) {
          // Already finished: the refusal is what counts.
        }
        refused(error);
        return;
      }
      transaction.oncomplete = function () {
        velkFiles.storedWrites++;
        resolve();
      };
      transaction.onabort = function () { refused(transaction.error); };
    });
  }

  // A save is stored at once; should anything still wait, the page going away must not lose it.
  window.addEventListener('pagehide', function () { files.flush(); });
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') files.flush();
  });

  return files;
})();

Module['preRun'] = [].concat(Module['preRun'] || [], [velkFiles.load]);

// main returns long after its first pause handed control back to the browser; the runtime then drops
// its exit code, so it is collected here, where the C runtime would call exit().
Module['postRun'] = [].concat(Module['postRun'] || [], [function () {
  if (!Asyncify.currData) {
    velkFiles.ended(EXITSTATUS);
    return;
  }
  Asyncify.whenDone().then(function (code) {
    velkFiles.ended(code);
  }, function (error) {
    // exit() from inside the game ends the run this way; the page was told before it was called.
    if (!(error instanceof ExitStatus)) throw error;
  });
}]);
