// The page's keyboard: keydown events queued for the game as named keys or typed characters, and the P that
// pauses a level when the page is hidden.
var velkPage = window.velkPage || (window.velkPage = {});

velkPage.keys = (function () {
  var TYPED = 0x1000000;  // marks a typed character's code point; the game side gives it its virtual key
  // Keys that type nothing or stand for a control character: [virtual-key code, character byte]. The
  // program adds the keys the game reads (the arrows and Escape) with its own codes as it loads.
  var NAMED = {
    Enter: [0x0D, 0x0D],
    Backspace: [0x08, 0x08],
    Tab: [0x09, 0x09],
    PageUp: [0x21, 0],
    PageDown: [0x22, 0],
    End: [0x23, 0],
    Home: [0x24, 0],
    Insert: [0x2D, 0],
    Delete: [0x2E, 0]
  };
  var queue = [];
  var wakeGame = null;  // ends the game's wait for a key, while it waits
  // The game waits with a deadline only in a level (the information screen waits for a key alone); keys it
  // has taken since its last wait, until it flushes the rest, may have started the intro or ended the game.
  var waitedInLevel = false;
  var keysTaken = false;

  // The queued form of a key event, and whether the page keeps the browser from acting on it;
  // null for a key the game does not see.
  function entryOf(event) {
    if (NAMED.hasOwnProperty(event.key)) {
      var named = NAMED[event.key];
      return { value: (named[0] << 8) | named[1], keep: true };
    }
    var fKey = /^F([1-9]|1[0-2])$/.exec(event.key);
    if (fKey) return { value: (0x6F + Number(fKey[1])) << 8, keep: false };  // still the browser's keys
    var characters = Array.from(event.key);
    if (characters.length !== 1) return null;  // Shift, Dead, Unidentified and the like
    return { value: TYPED | characters[0].codePointAt(0), keep: true };
  }

  function onKeyDown(event) {
    velkPage.sound.unlock();
    if (velkPage.box.isOpen()) {
      velkPage.box.onKey(event);
      return;
    }
    if (velkPage.hasEnded()) return;
    // Browser shortcuts stay the browser's; AltGr characters still count.
    if ((event.ctrlKey || event.metaKey || event.altKey) && !event.getModifierState('AltGraph')) return;
    var entry = entryOf(event);
    if (!entry) return;
    if (entry.keep) event.preventDefault();  // no scrolling, quick find or other browser action
    queue.push(entry.value);
    // The game wakes after the events already waiting in the browser, so keys that come in a burst
    // reach it as one batch, as from a console; the picture shows at the next frame either way.
    if (wakeGame) setTimeout(wakeGame, 0);
  }

  window.addEventListener('keydown', onKeyDown, true);

  // Hidden during a level, the page pauses the game as the player's P does; the player's Enter ends the pause.
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState !== 'hidden' || !waitedInLevel || keysTaken || velkPage.box.isOpen() ||
        velkPage.hasEnded()) return;
    keysTaken = true;  // one P, however often the page is hidden before the game takes it
    queue.push(TYPED | 0x70);
    if (wakeGame) wakeGame();  // at once: a hidden page's timers run late
  });

  return {
    name: function (key, virtualKey, character) {
      NAMED[key] = [virtualKey, character];
    },
    pending: function () {
      return queue.length;
    },
    // The oldest key: virtualKey << 8 | character byte, or 0x1000000 | code point for a typed
    // character; -1 when there is none.
    take: function () {
      if (!queue.length) return -1;
      keysTaken = true;
      return queue.shift();
    },
    flush: function () {
      queue.length = 0;
      keysTaken = false;
    },
    // Resolves when a key is queued or after the milliseconds (negative: no limit); always a turn of the
    // browser, never at once, so the page paints and takes its events.
    wait: function (milliseconds) {
      waitedInLevel = milliseconds >= 0;
      keysTaken = false;
      return new Promise(function (resolve) {
        var timer = null;
        function wake() {  // a late call, after the wait has ended, changes nothing
          clearTimeout(timer);
          if (wakeGame === wake) wakeGame = null;
          resolve();
        }
        wakeGame = wake;
        if (queue.length) timer = setTimeout(wake, 0);
        else if (milliseconds >= 0) timer = setTimeout(wake, milliseconds);
      });
    }
  };
})();
