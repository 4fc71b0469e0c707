// The page's message box: a modal dialog with a title, a text and OK (or OK and Cancel), answered by
// the keyboard or the mouse.
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

  okButton.addEventListener('click', function () { close(OK); });
  cancelButton.addEventListener('click', function () { close(CANCEL); });
  // The dialog's own Esc handling would close it without an answer.
  dialog.addEventListener('cancel', function (event) { event.preventDefault(); });

  return {
    isOpen: function () {
      return answer !== null;
    },

    ask: function (text, title, cancellable) {
      withCancel = cancellable;
      titleText.textContent = title;
      bodyText.textContent = text;
      cancelButton.hidden = !cancellable;
      return new Promise(function (resolve) {
        answer = resolve;
        dialog.showModal();
        okButton.focus();
      });
    },

    // Keys while the box is open answer it or move between its buttons, as in the terminal's box;
    // none reaches the game.
    onKey: function (event) {
      var list = buttons();
      var at = list.indexOf(document.activeElement);
      var key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
      event.preventDefault();
      if (key === 'Enter' || key === ' ') {
        close(at === 1 ? CANCEL : OK);
      } else if (key === 'Escape') {
        close(withCancel ? CANCEL : OK);
      } else if (key === 'o') {
        close(OK);
      } else if (key === 'c' && withCancel) {
        close(CANCEL);
      } else if (key === 'Tab' || key.indexOf('Arrow') === 0) {
        list[(Math.max(at, 0) + 1) % list.length].focus();
      }
    }
  };
})();
