// The page's message box: a modal dialog with a title, a text and OK (or OK and Cancel), answered by
// the keyboard or the mouse; or a watched demo's box, shown alike but answered by the demo.
var velkPage = window.velkPage || (window.velkPage = {});

velkPage.box = (function () {
  var OK = 1;
  var CANCEL = 2;
  var dialog = document.getElementById('box');
  var titleText = document.getElementById('box-title');
  var bodyText = document.getElementById('box-text');
  var okButton = document.getElementById('box-ok');
  var cancelButton = document.getElementById('box-cancel');
  var answer = null;  // resolves the open box's promise
  var withCancel = false;

  function close(value) {
    if (!answer) return;
    var resolve = answer;
    answer = null;
    dialog.close();
    resolve(value);
  }

  function buttons() {
    return withCancel ? [okButton, cancelButton] : [okButton];
  }

  function fill(text, title, cancellable) {
    withCancel = cancellable;
    titleText.textContent = title;
    bodyText.textContent = text;
    cancelButton.hidden = !cancellable;
  }

  okButton.addEventListener('click', function () { close(OK); });
  cancelButton.addEventListener('click', function () { close(CANCEL); });
  // The dialog's own Esc handling would close it without an answer.
  dialog.addEventListener('cancel', function (event) { event.preventDefault(); });

  return {
    isOpen: function () {
      return answer !== null;
    },

    ask: function (text, title, cancellable) {
      fill(text, title, cancellable);
      return new Promise(function (resolve) {
        answer = resolve;
        dialog.showModal();
        okButton.focus();
      });
    },

    // A box of a demo being watched: the viewer's keys go on to the demo (isOpen stays false). pressed: the
    // button shown pressed (OK, CANCEL), 0 for none yet.
    show: function (text, title, cancellable, pressed) {
      fill(text, title, cancellable);
      okButton.classList.toggle('pressed', pressed === OK);
      cancelButton.classList.toggle('pressed', pressed === CANCEL);
      if (!dialog.open) dialog.showModal();
      if (dialog.contains(document.activeElement)) document.activeElement.blur();  // no focus: no button stands out
    },

    hide: function () {
      okButton.classList.remove('pressed');
      cancelButton.classList.remove('pressed');
      dialog.close();
    },

    // Keys while the box is open answer it (Enter, Space, Esc; no letter) or move between its buttons, as in
    // the terminal's box; none reaches the game.
    onKey: function (event) {
      var list = buttons();
      var at = list.indexOf(document.activeElement);
      var key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
      event.preventDefault();
      if (key === 'Enter' || key === ' ') {
        close(at === 1 ? CANCEL : OK);
      } else if (key === 'Escape') {
        close(withCancel ? CANCEL : OK);
      } else if (key === 'Tab' || key.indexOf('Arrow') === 0) {
        list[(Math.max(at, 0) + 1) % list.length].focus();
      }
    }
  };
})();
