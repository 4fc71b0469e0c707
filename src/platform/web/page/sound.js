// The page's sound: plays the package's WAV files by name, one at a time, once the player has pressed a key.
var velkPage = window.velkPage || (window.velkPage = {});

velkPage.sound = (function () {
  var context = null;   // made on the first key: browsers allow sound only after a user gesture
  var decoded = {};     // path -> AudioBuffer
  var playing = null;   // {source, entry} of the sound still playing
  var latest = 0;       // number of the newest request: an older one still decoding stays silent
  var log = [];         // one entry per request: {name, state}, state one of requested, silent (before
                        // the first key), playing, ended, cut, unplayable

  function stopPlaying() {
    if (!playing) return;
    if (playing.entry.state === 'playing') playing.entry.state = 'cut';
    try { playing.source.stop(); } catch (error) { /* already over */ }
    playing = null;
  }

  return {
    log: log,

    unlock: function () {
      if (context) return;
      var AudioContextType = window.AudioContext || window.webkitAudioContext;
      if (!AudioContextType) return;
      try {
        context = new AudioContextType();
      } catch (error) {
        context = null;
      }
    },

    has: function (path) {
      return decoded.hasOwnProperty(path);
    },

    // Starts the sound in the background, cutting off the one still playing; never fails loudly.
    play: function (path, bytes) {
      var entry = { name: path, state: 'requested' };
      var ticket = ++latest;
      log.push(entry);
      if (log.length > 200) log.splice(0, log.length - 100);
      stopPlaying();
      if (!context) {
        entry.state = 'silent';  // no key pressed yet
        return;
      }
      var ready = decoded.hasOwnProperty(path) ? Promise.resolve(decoded[path])
        : bytes ? context.decodeAudioData(bytes.slice().buffer).then(function (buffer) {
          decoded[path] = buffer;
          return buffer;
        })
        : Promise.reject(new Error('no such sound file'));
      var running = context.state === 'running' ? Promise.resolve() : context.resume();
      Promise.all([ready, running]).then(function (done) {
        if (ticket !== latest) {
          entry.state = 'cut';
          return;
        }
        var source = context.createBufferSource();
        source.buffer = done[0];
        source.connect(context.destination);
        var sound = { source: source, entry: entry };
        source.onended = function () {
          if (entry.state === 'playing') entry.state = 'ended';
          if (playing === sound) playing = null;
        };
        source.start();
        playing = sound;
        entry.state = 'playing';
      }).catch(function () {
        entry.state = 'unplayable';
      });
    }
  };
})();
