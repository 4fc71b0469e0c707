// What the browser tests share: a static server for the page folder, a fresh headless Chromium per test,
// readers of the page's cells, box and end panel, and a writer of its storage.
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

const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.wav': 'audio/wav',
  '.css': 'text/css; charset=utf-8', '.wasm': 'application/wasm', '.txt': 'text/plain; charset=utf-8' };

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

const BROWSER_FLAGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

export async function launchBrowser() {
  const executablePath = process.env.VELK_CHROMIUM || '/usr/bin/chromium';
  return chromium.launch({ executablePath, headless: true, args: BROWSER_FLAGS });
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
  return { context, page, errors, close: () => context.close() };
}

// Puts a high-score file of this record (in its three copies, the rest zero) into the page's browser storage.
export async function storeRecord(page, record) {
  await page.evaluate((value) => {
    const bytes = new Uint8Array(262144);
    const view = new DataView(bytes.buffer);
    for (const index of [19400, 34595, 60295]) view.setFloat32(index * 4, value, true);
    FS.writeFile('/velk-store/VELKGAME.CFG', bytes);
    return new Promise((resolve, reject) => FS.syncfs(false, (error) => (error ? reject(error) : resolve())));
  }, record);
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

// Where the actors and the wall are: the red arrow, the heart, and the column with the most wall glyphs.
export function findActors({ rows, attrs }) {
  const found = { arrow: null, heart: null, wallCol: null };
  let best = 20;
  for (let c = 0; c < 120; c++) {
    let wall = 0;
    for (let r = 0; r < 30; r++) {
      if (attrs[r][c] === ATTR.TEXT && rows[r][c] !== ' ') wall++;
      if (attrs[r][c] !== ATTR.ACTOR) continue;
      if (rows[r][c] === GLYPH.ARROW) found.arrow = { row: r, col: c };
      if (rows[r][c] === GLYPH.HEART && c === 119) found.heart = { row: r, col: c };
    }
    if (wall >= best && c < 119) [best, found.wallCol] = [wall, c];
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
    const text = (id) => document.getElementById(id).textContent;
    return { title: text('box-title'), text: text('box-text'), buttons };
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
