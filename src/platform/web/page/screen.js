// The page's console picture: 120 x 30 cells painted into one canvas in the console's colours, scaled to the window.
var velkPage = window.velkPage || (window.velkPage = {});

velkPage.screen = (function () {
  var COLS = 120;
  var ROWS = 30;
  var FULL_BLOCK = 0xDB;  // painted as a solid cell: the glyph alone leaves anti-aliased seams between rows
  var PALETTE = ['#000000', '#000080', '#008000', '#008080', '#800000', '#800080', '#808000', '#c0c0c0',
    '#808080', '#0000ff', '#00ff00', '#00ffff', '#ff0000', '#ff00ff', '#ffff00', '#ffffff'];
  var FONT = '"DejaVu Sans Mono", Consolas, "Lucida Console", monospace';
  var canvas = document.getElementById('screen');
  var context = canvas.getContext('2d', { alpha: false });
  var cells = new Uint32Array(COLS * ROWS).fill(0x70020);  // light grey spaces on black
  var text = [];        // the glyph shown in each cell, kept for readers of the picture
  var glyphs = [];
  var width = 0;        // of a cell in device pixels; a cell is twice as high as it is wide
  var baseline = 0;

  for (var i = 0; i < COLS * ROWS; i++) text.push(' ');

  function paint(index) {
    var cell = cells[index];
    var x = (index % COLS) * width;
    var y = Math.floor(index / COLS) * width * 2;
    var byte = cell & 0xFF;
    context.fillStyle = PALETTE[byte === FULL_BLOCK ? (cell >>> 16) & 15 : (cell >>> 20) & 15];
    context.fillRect(x, y, width, width * 2);
    if (byte === FULL_BLOCK || text[index] === ' ') return;
    // Clipped to its cell like a console's character, so a wide glyph never marks its neighbours.
    context.save();
    context.beginPath();
    context.rect(x, y, width, width * 2);
    context.clip();
    context.fillStyle = PALETTE[(cell >>> 16) & 15];
    context.fillText(text[index], x + width / 2, y + baseline);
    context.restore();
  }

  // Whole device pixels per cell keep neighbouring backgrounds free of seams; a resize repaints everything.
  function fit() {
    var ratio = window.devicePixelRatio || 1;
    var fits = Math.min(window.innerWidth * ratio / COLS, window.innerHeight * ratio / (ROWS * 2));
    width = Math.max(1, Math.floor(fits));
    canvas.width = COLS * width;
    canvas.height = ROWS * width * 2;
    canvas.style.width = COLS * width / ratio + 'px';
    canvas.style.height = ROWS * width * 2 / ratio + 'px';
    // The font size makes a full block glyph (1.164 em high in DejaVu Sans Mono) fill its cell.
    context.font = width * 1.72 + 'px ' + FONT;
    context.textAlign = 'center';
    var metrics = context.measureText('\u2588');
    var ascent = metrics.fontBoundingBoxAscent;
    baseline = (width * 2 - ascent - metrics.fontBoundingBoxDescent) / 2 + ascent;
    for (var index = 0; index < COLS * ROWS; index++) paint(index);
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
        cells[changes[k]] = changes[k + 1];
        text[changes[k]] = glyphs[changes[k + 1] & 0xFF] || ' ';
        paint(changes[k]);
      }
    },

    // The picture's text, row after row, as the glyphs it paints.
    text: function () {
      return text.join('');
    }
  };
})();
