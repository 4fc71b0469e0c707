// Web backend, start-up and files (linked in front of the program): the served package becomes the working
// folder, the files the game saves are kept in IndexedDB at once and shared with the page's other tabs, and the
// end of main is reported to the page.
// Kept to plain ES5: the toolchain's JavaScript minifier mangles newer syntax.
var velkFiles = (function () {
  var WORK = '/velk';
  var DB_NAME = 'velk-files';
  var DB_STORE = 'files';
  var STORAGE_WAIT_MS = 5000;  // storage that has not answered by then counts as unavailable
  // The record file as the game reads it: 65,536 little-endian floats, the record in three copies that must
  // agree (the first is the one taken).
  var RECORD_FILE = 'VELKGAME.CFG';
  var RECORD_BYTES = 65536 * 4;
  var RECORD_COPIES = [34595, 60295, 19400];
  var MAX_RECORD = 9000000;
  var COPY_TOLERANCE = 0.000001;

  var packageNames = {};  // names the package brought: they come from the server, never from storage
  var database = null;    // the open IndexedDB database; null while or where browser storage is unavailable
  var unsaved = {};       // names saved by the game and not yet handed to storage
  var writing = Promise.resolve();  // the storage writes, one after the other; never rejects
  var channel = null;     // carries each stored file to the page's other tabs, where browsers have one
  var endedCode = null;

  function describe(error) {
    return (error && (error.name || error.message)) || String(error);
  }

  // The record a record file holds, or null for a file the game calls corrupt.
  function recordOf(bytes) {
    if (!(bytes instanceof Uint8Array) || bytes.length < RECORD_BYTES) return null;
    var view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    var copies = RECORD_COPIES.map(function (index) { return view.getFloat32(index * 4, true); });
    var sound = copies.every(function (copy) {  // a NaN fails every comparison
      return Math.abs(copy) <= MAX_RECORD && copies.every(function (other) {
        return Math.abs(Math.abs(copy) - Math.abs(other)) < COPY_TOLERANCE;
      });
    });
    return sound ? copies[0] : null;
  }

  // Whether a file must stay rather than give way to another of its name: two tabs each save the record they
  // reach, so a lower one must never replace a higher one, nor a corrupt file a sound one.
  function outranks(name, held, other) {
    if (name !== RECORD_FILE) return false;
    var kept = recordOf(held);
    var offered = recordOf(other);
    return kept !== null && (offered === null || kept > offered);
  }

  // Writes a file into the working folder unless the one there outranks it; false when that one stays.
  function place(name, bytes) {
    var path = WORK + '/' + name;
    var held = FS.analyzePath(path).exists ? FS.readFile(path) : null;
    if (outranks(name, held, bytes)) return false;
    FS.writeFile(path, bytes);
    return true;
  }

  function storable(name) {
    return typeof name === 'string' && name && name.indexOf('/') < 0 && !packageNames[name];
  }

  // Files the page's other tabs stored reach this tab's working folder at once: the game reads its record
  // file at every level start, as two copies of the game side by side see each other's records.
  function listen() {
    if (typeof BroadcastChannel !== 'function') return;
    channel = new BroadcastChannel(DB_NAME);
    channel.onmessage = function (event) {
      var name = event.data && event.data[0];
      if (!storable(name) || !(event.data[1] instanceof Uint8Array)) return;
      try {
        place(name, event.data[1]);
      } catch (error) {
        velkPage.notice('A file another tab stored could not be taken (' + describe(error) + ').');
      }
    };
  }

  var files = {
    storedWrites: 0,      // completed store transactions in IndexedDB

    load: function () {
      addRunDependency('velk-files');
      FS.mkdir(WORK);
      listen();  // before storage is read, so that nothing stored after the reading is missed
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

    // The game's save: the working folder's file, then browser storage at once. 1 when the file is written,
    // or kept for the higher record another tab stored.
    save: function (name, bytes) {
      try {
        if (!place(name, bytes)) return 1;
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

  // Placed rather than written: another tab's file that came while storage was read is the newer.
  function restoreStored(found) {
    found.forEach(function (entry) {
      var name = entry[0];
      if (!storable(name)) return;
      try {
        if (!(entry[1] instanceof Uint8Array)) throw new TypeError('not a file');
        place(name, entry[1]);
      } catch (error) {
        var why = describe(error);
        velkPage.notice('The stored ' + name + ' could not be read (' + why + '): the game goes on without it.');
      }
    });
  }

  // One transaction for the files of one flush: all of them are kept, or none. Each stored file is read in it
  // first, so that one another tab stored since this tab last read it stays where it outranks this tab's;
  // once done, the working folder holds what storage does, and the other tabs have each file written.
  function store(entries) {
    return new Promise(function (resolve) {
      var transaction = null;
      var failure = null;
      var outcome = [];  // [name, bytes storage holds, whether this tab's were written]
      var refuse = function (error) {
        failure = failure || error;
        try {
          transaction.abort();
        } catch (ignored) {
          // Already finished: the refusal is what counts.
        }
      };
      try {
        transaction = database.transaction(DB_STORE, 'readwrite');
        var objects = transaction.objectStore(DB_STORE);
        entries.forEach(function (entry) {
          var request = objects.get(entry[0]);
          request.onsuccess = function () {
            try {
              var stays = outranks(entry[0], request.result, entry[1]);
              if (!stays) objects.put(entry[1], entry[0]);
              outcome.push(stays ? [entry[0], request.result, false] : [entry[0], entry[1], true]);
            } catch (error) {
              refuse(error);
            }
          };
        });
      } catch (error) {
        failure = error;
        if (transaction) refuse(error);
      }
      var refused = function () {
        velkPage.notice('Browser storage refused to keep the record high score (' + describe(failure) + ').');
        resolve();
      };
      if (!transaction) return refused();
      transaction.oncomplete = function () {
        velkFiles.storedWrites++;
        outcome.forEach(function (result) {
          if (result[2] && channel) channel.postMessage([result[0], result[1]]);
          try {
            place(result[0], result[1]);
          } catch (ignored) {
            // The working folder keeps this tab's file: storage holds the record either way.
          }
        });
        resolve();
      };
      transaction.onabort = function () {
        failure = failure || transaction.error;
        refused();
      };
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
