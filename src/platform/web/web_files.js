// Web backend, start-up and files (linked in front of the program): the served package becomes the working
// folder, files the game writes there are kept in IndexedDB, and the end of main is reported to the page.
// Kept to plain ES5: the toolchain's JavaScript minifier mangles newer syntax.
var velkFiles = (function () {
  var WORK = '/velk';
  var STORE = '/velk-store';
  var LOOK_EVERY_MS = 50;

  var packageNames = {};  // names the package brought: they come from the server, never from storage
  var keptStamps = {};    // name -> "mtime:size" of the copy in storage
  var lastLook = 0;
  var syncing = null;     // the running IndexedDB write, if any
  var syncAgain = false;
  var endedCode = null;

  var files = {
    storedWrites: 0,      // completed writes to IndexedDB

    load: function () {
      addRunDependency('velk-files');
      FS.mkdir(WORK);
      FS.mkdir(STORE);
      FS.mount(IDBFS, {}, STORE);
      var stored = new Promise(function (resolve) {
        FS.syncfs(true, function (error) {
          if (error) console.warn('VELK: browser storage could not be read:', error);
          resolve();
        });
      });
      Promise.all([fetchPackage(), stored]).then(function () {
        restoreKept();
        FS.chdir(WORK);
        removeRunDependency('velk-files');
      });
    },

    // Copies changed non-package files of the working folder into storage and writes it to IndexedDB.
    keep: function (force) {
      var now = Date.now();
      if (!force && now - lastLook < LOOK_EVERY_MS) return;
      lastLook = now;
      var changed = false;
      var names = FS.readdir(WORK);
      for (var i = 0; i < names.length; i++) {
        var name = names[i];
        if (name === '.' || name === '..' || packageNames[name]) continue;
        var stat = FS.stat(WORK + '/' + name);
        if (!FS.isFile(stat.mode)) continue;
        var stamp = stat.mtime.getTime() + ':' + stat.size;
        if (keptStamps[name] === stamp) continue;
        FS.writeFile(STORE + '/' + name, FS.readFile(WORK + '/' + name));
        keptStamps[name] = stamp;
        changed = true;
      }
      if (changed) writeStore();
    },

    // Resolves once everything kept so far is in IndexedDB.
    settled: function () {
      return syncing ? syncing.then(files.settled) : Promise.resolve();
    },

    // The game has ended with this exit code: keep its files and tell the page (once).
    ended: function (code) {
      if (endedCode !== null) return;
      endedCode = code;
      files.keep(true);
      velkPage.end(code, files.settled());
    }
  };

  function fetchBytes(name) {
    return fetch(name, { cache: 'no-cache' }).then(function (response) {
      if (!response.ok) return null;
      return response.arrayBuffer().then(function (buffer) { return new Uint8Array(buffer); });
    }).catch(function () { return null; });
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

  function restoreKept() {
    var names = FS.readdir(STORE);
    for (var i = 0; i < names.length; i++) {
      var name = names[i];
      if (name === '.' || name === '..' || packageNames[name]) continue;
      var path = STORE + '/' + name;
      if (!FS.isFile(FS.stat(path).mode)) continue;
      FS.writeFile(WORK + '/' + name, FS.readFile(path));
      var stat = FS.stat(WORK + '/' + name);
      keptStamps[name] = stat.mtime.getTime() + ':' + stat.size;
    }
  }

  function writeStore() {
    if (syncing) {
      syncAgain = true;
      return;
    }
    syncing = new Promise(function (resolve) {
      FS.syncfs(false, function (error) {
        if (error) console.warn('VELK: browser storage could not be written:', error);
        else files.storedWrites++;
        syncing = null;
        resolve();
        if (syncAgain) {
          syncAgain = false;
          writeStore();
        }
      });
    });
  }

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
