// What the browser tests and the idle benchmark share: a static server for the page folder, headless
// Chromium, and readers of the page's text and box.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const PAGE_DIR = process.env.VELK_PAGE_DIR;
if (!PAGE_DIR || !fs.existsSync(path.join(PAGE_DIR, 'index.html'))) {
  throw new Error(`VELK_PAGE_DIR must name a built page folder (got ${PAGE_DIR})`);
}

const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.wav': 'audio/wav', '.txt': 'text/plain; charset=utf-8', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json' };

// A plain static server of a folder, which may be switched to another (the server's `dir`).
export async function startServer(dir = PAGE_DIR) {
  const site = { dir };
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, 'http://page').pathname.replace(/\/$/, '/index.html');
    const file = path.join(site.dir, decodeURIComponent(name));  // join normalises: no way out of the folder
    fs.readFile(file, (error, data) => {
      response.writeHead(error ? 404 : 200, { 'Content-Type': TYPES[path.extname(file)] || 'text/plain' });
      response.end(error ? '' : data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return Object.assign(site, { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() });
}

const CHROMIUM = { executablePath: process.env.VELK_CHROMIUM || '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'] };

export const launchBrowser = () => chromium.launch(CHROMIUM);

// A browser with a profile in userDataDir: only there can a page be installed.
export const launchProfile = (userDataDir) => chromium.launchPersistentContext(userDataDir, CHROMIUM);

// A context of its own (so browser storage starts empty) with one page whose console errors and uncaught
// exceptions are kept in `errors`.
export async function openPage(browser) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  const page = await context.newPage();
  const errors = [];
  page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
  page.on('pageerror', (error) => errors.push(String(error)));
  const cdp = await context.newCDPSession(page);
  return { context, page, errors, cdp, close: () => context.close() };
}

// The picture's 30 rows of text as the page paints them, blank while the page is still loading.
export const readScreen = (page) => page.evaluate(() => velkPage.screen.text().match(/.{120}/gs));

// Where a glyph (the arrow, the heart) is on the field, below the status rows.
export function findActor(rows, glyph) {
  const row = rows.findIndex((text, index) => index > 4 && text.includes(glyph));
  return row < 0 ? null : { row, col: rows[row].lastIndexOf(glyph) };
}

export async function waitFor(what, test, timeout = 10000) {
  for (const until = Date.now() + timeout; ; await new Promise((resolve) => setTimeout(resolve, 25))) {
    const value = await test();
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
  }
}

// The open message box as {title, text, buttons}, or null.
export function openBox(page) {
  return page.evaluate(() => {
    const dialog = document.getElementById('box');
    const text = (id) => document.getElementById(id).textContent;
    const buttons = [...dialog.querySelectorAll('button')].filter((b) => !b.hidden).map((b) => b.textContent);
    return dialog.open ? { title: text('box-title'), text: text('box-text'), buttons } : null;
  });
}

export const waitForBox = (page) => waitFor('a message box', () => openBox(page));

// Waits until the picture's rows pass test(rows), and returns them.
export function waitForRows(page, what, test) {
  return waitFor(what, async () => {
    const rows = await readScreen(page);
    return test(rows) && rows;
  }, 15000);
}

// The information screen is up once its start-key row is shown.
export const waitForInfoScreen = (page) => waitForRows(page, 'the information screen',
  (rows) => rows[22].startsWith(" Press 'B' to begin."));

// A level is up once its status rows are painted and the arrow and the heart are on the field.
export const waitForLevel = (page, level) => waitForRows(page, `level ${level}`, (rows) =>
  rows[4].startsWith(` Current level: ${level} `) && findActor(rows, '\u25BA') && findActor(rows, '\u2665'));
