// The page's keyboard: keydown events queued for the game as named keys or typed characters, and the P that
// pauses a level when the page has been hidden.
var velkPage = window.velkPage || (window.velkPage = {});

velkPage.keys = (function () {
  var TYPED = 0x1000000;  // marks a typed character's code point; the game side gives it its virtual key
  var PAUSE = TYPED | 0x70;
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
  var byVirtualKey = {};  // the keys the game reads by virtual key, as a console gives them whatever is held
  var queue = [];
  var wakeGame = null;  // ends the game's wait for a key, while it waits
  // The game waits with a deadline only in a level, and for a key alone on the information screen, which only
  // a key it takes can leave (for the intro, or the end).
  var waitsInLevel = false;
  var onInfoScreen = true;
  var pauseOwed = false;  // hidden since the game last could take a P

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
    // Browser shortcuts stay the browser's but for the game's own keys in a game (Alt+Left would leave the page
    // mid-level); AltGr characters still count.
    if ((event.ctrlKey || event.metaKey || event.altKey) && !event.getModifierState('AltGraph') &&
        (onInfoScreen || !byVirtualKey.hasOwnProperty(event.key))) return;
    var entry = entryOf(event);
    if (!entry) return;
    if (entry.keep) event.preventDefault();  // no scrolling, quick find or other browser action
    queue.push(entry.value);
    // The game wakes after the events already waiting in the browser, so keys that come in a burst
    // reach it as one batch, as from a console; the picture shows at the next frame either way.
    if (wakeGame) setTimeout(wakeGame, 0);
  }

  window.addEventListener('keydown', onKeyDown, true);

  // The P owed for a hidden page, once the game can take it: waiting in a level with no keys before it, which
  // might end the game or open a box of their own.
  function payPause() {
    if (!pauseOwed || !wakeGame || !waitsInLevel || queue.length || velkPage.box.isOpen() || velkPage.hasEnded()) {
      return;
    }
    pauseOwed = false;
    queue.push(PAUSE);
    wakeGame();  // at once: a hidden page's timers run late
  }

  // Hidden in a game, the page pauses it as the player's P does, as soon as it can: in the intro or a pause
  // between levels that is the level's first wait. The player's Enter ends the pause.
  document.addEventListener('visibilitychange', function () {
    pauseOwed = document.visibilityState === 'hidden' && !onInfoScreen && !velkPage.box.isOpen() &&
        !velkPage.hasEnded();
    payPause();
  });

  return {
    name: function (key, virtualKey, character) {
      NAMED[key] = byVirtualKey[key] = [virtualKey, character];
    },
    pending: function () {
      return queue.length;
    },
    // The oldest key: virtualKey << 8 | character byte, or 0x1000000 | code point for a typed
    // character; -1 when there is none.
    take: function () {
      if (!queue.length) return -1;
      onInfoScreen = false;
      var key = queue.shift();
      if (key === PAUSE || key === (TYPED | 0x50)) pauseOwed = false;  // the player's own pause pays it
      return key;
    },
    flush: function () {
      queue.length = 0;
    },
    // Resolves when a key is queued or after the milliseconds (negative: no limit); a turn of the browser, so
    // the page paints and takes its events, but for a hidden page's P, whose box is one.
    wait: function (milliseconds) {
      waitsInLevel = milliseconds >= 0;
      onInfoScreen = !waitsInLevel;
      if (onInfoScreen) pauseOwed = false;
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
        payPause();
      });
    }
  };
})();
