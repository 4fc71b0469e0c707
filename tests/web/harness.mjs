// What the browser tests and the page's benchmarks share: a static server for the page folder, headless
// Chromium, and one reading of the page as the tests see it, waited on until it passes a test.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { setTimeout as pause } from 'node:timers/promises';
import { chromium } from 'playwright-core';

export const PAGE_DIR = process.env.VELK_PAGE_DIR;
if (!fs.existsSync(`${PAGE_DIR}/index.html`)) throw new Error(`VELK_PAGE_DIR names no built page folder (${PAGE_DIR})`);

const TYPES = { html: 'text/html; charset=utf-8', js: 'text/javascript', css: 'text/css', wasm: 'application/wasm',
  wav: 'audio/wav', txt: 'text/plain; charset=utf-8', png: 'image/png', webmanifest: 'application/manifest+json' };

// A plain static server of a folder, which may be switched to another (the server's `dir`).
export async function startServer(dir = PAGE_DIR) {
  const site = { dir };
  const server = http.createServer((request, response) => {
    const file = path.join(site.dir, decodeURIComponent(new URL(request.url, 'http://page').pathname))  // no way out
      .replace(/\/$/, '/index.html');
    fs.readFile(file, (error, data) => response.writeHead(error ? 404 : 200,
      { 'Content-Type': TYPES[path.extname(file).slice(1)] || 'text/plain' }).end(error ? '' : data));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return Object.assign(site, { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() });
}

const CHROMIUM = { executablePath: process.env.VELK_CHROMIUM || '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'] };
// With a profile folder the browser keeps its data there: only then can a page be installed.
export const launchBrowser = (profile) =>
  (profile ? chromium.launchPersistentContext(profile, CHROMIUM) : chromium.launch(CHROMIUM));

// A context of its own (so browser storage starts empty) with one page whose console errors and uncaught
// exceptions are kept in `errors`, at url (if given) after prepare(context).
export async function openPage(browser, url, prepare = () => {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  const page = await context.newPage(), errors = [];
  page.on('console', (message) => message.type() === 'error' && errors.push(message.text()))
    .on('pageerror', (error) => errors.push(String(error)));
  await prepare(context);
  if (url) await page.goto(url);
  return { context, page, errors, cdp: await context.newCDPSession(page), close: () => context.close() };
}

export async function waitFor(what, test, timeout = 15000) {
  for (let until = Date.now() + timeout, value; ; await pause(25)) {
    if ((value = await test())) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
  }
}

// The page as the tests see it: the picture's 30 rows (null while loading), the open box (or false; a button shown
// pressed in brackets), the status and notice lines, the ended page's text (or false) and the first sound asked for.
export const readPage = (page) => page.evaluate(() => {
  const get = (id) => document.getElementById(id), sound = velkPage.sound.log[0];
  return { rows: velkPage.screen.text().match(/.{120}/gs), notices: get('notices').textContent,
    status: get('status').textContent,
    box: get('box').open && { title: get('box-title').textContent, text: get('box-text').textContent,
      buttons: [...get('box').querySelectorAll('button:not([hidden])')].map((button) =>
        (button.classList.contains('pressed') ? `[${button.textContent}]` : button.textContent)) },
    ended: !get('ended').hidden && get('ended-text').textContent, sound: sound && `${sound.name}:${sound.state}` };
});

// Waits until the page's reading passes test(reading), and returns that reading.
export const until = (page, what, test, timeout) =>
  waitFor(what, async () => { const reading = await readPage(page); return test(reading) && reading; }, timeout);

// Where a glyph (the arrow, the heart) is on the field, below the status rows, as [row, col].
export const findActor = (rows, glyph) => rows.map((text, row) => [row, text.lastIndexOf(glyph)])
  .find(([row, col]) => row > 4 && col >= 0);

export const waitForBox = (page) => until(page, 'a message box', ({ box }) => box);
// The information screen is up once its start-key row is shown; a level once its status rows are painted and
// the arrow and the heart are on the field.
export const waitForInfoScreen = (page) => until(page, 'the information screen',
  ({ rows }) => rows?.[22].startsWith(" Press 'B' to begin."));
export const waitForLevel = (page, level) => until(page, `level ${level}`, ({ rows }) =>
  rows?.[4].startsWith(` Current level: ${level} `) && findActor(rows, '\u25BA') && findActor(rows, '\u2665'));
