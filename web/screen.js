// The page's console picture: 120 x 30 cells drawn as text in the console's colours, scaled to the window.
var velkPage = window.velkPage || (window.velkPage = {});

velkPage.screen = (function () {
  var COLS = 120;
  var ROWS = 30;
  var FULL_BLOCK = 0xDB;  // painted as a solid cell: the glyph alone leaves anti-aliased seams between rows
  var grid = document.getElementById('screen');
  var cells = [];
  var glyphs = [];

  for (var i = 0; i < COLS * ROWS; i++) {
    var span = document.createElement('span');
    span.className = 'f7 b0';
    span.appendChild(document.createTextNode(' '));
    cells.push(span);
  }
  grid.replaceChildren.apply(grid, cells);

  // Whole pixels per cell keep neighbouring backgrounds free of seams; tiny windows get fractions.
  function fit() {
    var width = Math.min(window.innerWidth / COLS, window.innerHeight / (ROWS * 2));
    if (width >= 2) width = Math.floor(width);
    grid.style.setProperty('--cell-w', width + 'px');
  }
  fit();
  window.addEventListener('resize', fit);

  return {
    // table: the Unicode code point of each code page 437 byte.
    setUp: function (title, table) {
      document.title = title;
      glyphs = [];
      for (var b = 0; b < 256; b++) glyphs.push(String.fromCodePoint(table[b]));
      velkPage.status('');
    },

    // changes: pairs of (cell index, attribute << 16 | code page 437 byte).
    draw: function (changes) {
      for (var k = 0; k < changes.length; k += 2) {
        var span = cells[changes[k]];
        var cell = changes[k + 1];
        var glyph = glyphs[cell & 0xFF] || ' ';
        var colours = 'f' + ((cell >>> 16) & 15) + ' b' + ((cell >>> 20) & 15);
        if ((cell & 0xFF) === FULL_BLOCK) colours += ' solid';
        if (span.firstChild.data !== glyph) span.firstChild.data = glyph;
        if (span.className !== colours) span.className = colours;
      }
    }
  };
})();
