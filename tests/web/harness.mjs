// What the browser tests share: a static server for the page folder, a fresh headless Chromium per test,
// and readers of the page's cells, box and end panel.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const PAGE_DIR = process.env.VELK_PAGE_DIR;
if (!PAGE_DIR || !fs.existsSync(path.join(PAGE_DIR, 'index.html'))) {
  throw new Error(`VELK_PAGE_DIR must name a built page folder (got ${PAGE_DIR})`);
}

// Console colour attributes (background << 4 | foreground) the game draws with.
export const ATTR = { FIELD: 0x90, TEXT: 0x9A, VALUE: 0x97, ACTOR: 0x9C, BONUS_LIFE: 0x94 };
export const GLYPH = { ARROW: '\u25BA', HEART: '\u2665' };

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=utf-8',
  '.wav': 'audio/wav',
};

export async function startServer() {
  const server = http.createServer((request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://page').pathname);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(PAGE_DIR, path.normalize(name));
    fs.readFile(file, (error, data) => {
      if (error || !file.startsWith(PAGE_DIR)) {
        response.writeHead(404);
        response.end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store',
      });
      response.end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

const BROWSER_FLAGS = [
  '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync',
];

export async function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.VELK_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: BROWSER_FLAGS,
  });
}

// A context of its own (so browser storage starts empty) with one page that records every console
// error and uncaught exception in `errors`.
export async function openPage(browser) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  const page = await context.newPage();
  const errors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', (error) => errors.push(String(error)));
  const cdp = await context.newCDPSession(page);
  return { context, page, errors, cdp, close: () => context.close() };
}

const KEY_CODES = { ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40 };

// Presses an arrow key `count` times in one burst, as fast as the browser takes key events, and waits
// until the game has taken them all (and so drawn what they did).
export async function pressMany({ page, cdp }, key, count) {
  const event = { key, code: key, windowsVirtualKeyCode: KEY_CODES[key], nativeVirtualKeyCode: KEY_CODES[key] };
  const sent = [];
  for (let i = 0; i < count; i++) {
    sent.push(cdp.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', ...event }));
    sent.push(cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', ...event }));
  }
  await Promise.all(sent);
  await waitFor('the game to take the keys', () => page.evaluate(() => velkPage.keys.pending() === 0), { every: 10 });
}

// The picture as the page shows it: per row the text, and per cell the attribute read back from its
// colour classes.
export async function readScreen(page) {
  return page.evaluate(() => {
    const spans = document.querySelectorAll('#screen span');
    if (spans.length !== 30 * 120) {  // the page is still loading: nothing shown yet
      return { rows: Array(30).fill(' '.repeat(120)), attrs: Array(30).fill(Array(120).fill(0)) };
    }
    const rows = [];
    const attrs = [];
    for (let r = 0; r < 30; r++) {
      let text = '';
      const row = [];
      for (let c = 0; c < 120; c++) {
        const span = spans[r * 120 + c];
        text += span.textContent;
        const [fg, bg] = span.className.split(' ').map((name) => Number(name.slice(1)));
        row.push((bg << 4) | fg);
      }
      rows.push(text);
      attrs.push(row);
    }
    return { rows, attrs };
  });
}

// Where the actors and the wall are: the red arrow, the heart, the wall's column and its gate rows.
export function findActors({ rows, attrs }) {
  const found = { arrow: null, heart: null, wallCol: null, gateRows: [] };
  for (let r = 0; r < 30; r++) {
    for (let c = 0; c < 120; c++) {
      if (attrs[r][c] !== ATTR.ACTOR) continue;
      if (rows[r][c] === GLYPH.ARROW) found.arrow = { row: r, col: c };
      if (rows[r][c] === GLYPH.HEART && c === 119) found.heart = { row: r, col: c };
    }
  }
  // The wall: the column with the most wall-coloured glyph cells.
  let best = 0;
  for (let c = 0; c < 119; c++) {
    let count = 0;
    for (let r = 0; r < 30; r++) if (attrs[r][c] === ATTR.TEXT && rows[r][c] !== ' ') count++;
    if (count > best) [best, found.wallCol] = [count, c];
  }
  if (best < 20) found.wallCol = null;
  if (found.wallCol !== null) {
    for (let r = 0; r < 30; r++) {
      if (attrs[r][found.wallCol] === ATTR.ACTOR && rows[r][found.wallCol] === ' ') found.gateRows.push(r);
    }
  }
  return found;
}

export async function waitFor(what, test, { timeout = 10000, every = 25 } = {}) {
  const until = Date.now() + timeout;
  for (;;) {
    const value = await test();
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, every));
  }
}

export async function openBox(page) {
  return page.evaluate(() => {
    const dialog = document.getElementById('box');
    if (!dialog.open) return null;
    const buttons = [...dialog.querySelectorAll('button')].filter((b) => !b.hidden).map((b) => b.textContent);
    return {
      title: document.getElementById('box-title').textContent,
      text: document.getElementById('box-text').textContent,
      buttons,
    };
  });
}

export async function waitForBox(page, timeout = 10000) {
  return waitFor('a message box', () => openBox(page), { timeout });
}

export async function endedText(page) {
  return page.evaluate(() => {
    const panel = document.getElementById('ended');
    return panel.hidden ? null : document.getElementById('ended-text').textContent;
  });
}

// The information screen is up once its start-key row is shown.
export async function waitForInfoScreen(page) {
  return waitFor('the information screen', async () => {
    const screen = await readScreen(page);
    return screen.rows[22].startsWith(" Press 'B' to begin.") ? screen : null;
  });
}

// A level is up once its status rows are painted and the arrow and heart are on the field.
export async function waitForLevel(page, level, timeout = 15000) {
  return waitFor(`level ${level}`, async () => {
    const screen = await readScreen(page);
    const actors = findActors(screen);
    const shown = screen.rows[4].startsWith(` Current level: ${level} `);
    return shown && actors.arrow && actors.heart && actors.wallCol !== null ? screen : null;
  }, { timeout });
}

async function actors(page) {
  return findActors(await readScreen(page));
}

async function moveToRow(session, from, to) {
  if (from !== to) await pressMany(session, to > from ? 'ArrowDown' : 'ArrowUp', Math.abs(to - from));
}

// Steers the arrow through the gate to the heart, reading the page like a player: run up to the
// wall, keep level with the gate, step into it just before the wall arrives, then go for the heart.
// Returns once the arrow is on the heart's cell; throws if a life is lost on the way.
export async function playToHeart(session, { timeout = 30000 } = {}) {
  const until = Date.now() + timeout;
  const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  let furthest = 0;
  while (Date.now() < until) {
    const { arrow, heart, wallCol, gateRows } = await actors(session.page);
    if (!arrow) {
      await pause(20);
      continue;
    }
    if (arrow.col < furthest - 3) throw new Error('a life was lost: the arrow is back at the start');
    furthest = Math.max(furthest, arrow.col);
    if (arrow.col === 119) return;
    if (wallCol === null || arrow.col > wallCol) {  // through the gate: on to the heart
      if (!heart) await pause(20);
      else if (arrow.col < 118) await pressMany(session, 'ArrowRight', 118 - arrow.col);
      else if (arrow.row !== heart.row) await moveToRow(session, arrow.row, heart.row);
      else await pressMany(session, 'ArrowRight', 1);
      continue;
    }
    const gate = gateRows.length ? gateRows[Math.floor(gateRows.length / 2)] : arrow.row;
    if (arrow.col < wallCol - 3) {
      await pressMany(session, 'ArrowRight', wallCol - 3 - arrow.col);
    } else if (arrow.col === wallCol) {
      await pressMany(session, 'ArrowRight', 1);  // in the gate: on beyond the wall
      await pause(40);
    } else if (arrow.row !== gate) {
      await moveToRow(session, arrow.row, gate);
    } else if (arrow.col === wallCol - 1) {
      await pressMany(session, 'ArrowRight', 1);  // the wall comes next: step into its gate first
      await pause(40);
    } else {
      await pause(20);  // level with the gate: wait for the wall to come
    }
  }
  throw new Error('the heart was not reached in time');
}
