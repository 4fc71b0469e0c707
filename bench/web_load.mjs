// What loading the page costs in headless Chromium: bytes the server sends on a first visit (plain and gzip) and on
// a second one (files from the service worker's cache), and milliseconds from navigation to the first picture,
// first and second visit, median of 5. Run with VELK_PAGE_DIR naming a built page folder (tests/web/run.sh
// builds build/web/package).
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';
import { PAGE_DIR, launchBrowser, waitFor, waitForInfoScreen } from '../tests/web/harness.mjs';

const RUNS = 5;
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A static server like an ordinary web host: Last-Modified and 304 answers, gzip when on (PNG files are
// compressed already). Counts every byte it writes, headers included.
async function startHost(gzip) {
  const host = { sent: 0, sockets: new Set() };
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, 'http://page').pathname.replace(/\/$/, '/index.html');
    const file = path.join(PAGE_DIR, decodeURIComponent(name));
    fs.stat(file, (error, stat) => {
      if (error) return response.writeHead(404).end();
      const modified = new Date(Math.floor(stat.mtimeMs / 1000) * 1000).toUTCString();
      if (request.headers['if-modified-since'] === modified) return response.writeHead(304).end();
      let body = fs.readFileSync(file);
      const headers = { 'Last-Modified': modified, 'Content-Type': name.endsWith('.wasm') ? 'application/wasm'
        : name.endsWith('.html') ? 'text/html' : name.endsWith('.js') ? 'text/javascript'
          : name.endsWith('.css') ? 'text/css' : 'application/octet-stream' };
      if (gzip && !name.endsWith('.png') && /\bgzip\b/.test(request.headers['accept-encoding'] || '')) {
        body = zlib.gzipSync(body, { level: 6 });
        headers['Content-Encoding'] = 'gzip';
      }
      response.writeHead(200, headers).end(body);
    });
  });
  server.on('connection', (socket) => {
    host.sockets.add(socket);
    socket.on('close', () => {
      host.sent += socket.bytesWritten;
      host.sockets.delete(socket);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  host.url = `http://127.0.0.1:${server.address().port}/`;
  host.bytes = () => host.sent + [...host.sockets].reduce((sum, socket) => sum + socket.bytesWritten, 0);
  host.close = () => server.close();
  return host;
}

// The first glyph the game paints marks its first picture; the frame that shows it ends the measure.
function markFirstPicture() {
  const fillText = CanvasRenderingContext2D.prototype.fillText;
  CanvasRenderingContext2D.prototype.fillText = function (...args) {
    if (window.firstPicture === undefined) {
      window.firstPicture = null;
      requestAnimationFrame(() => { window.firstPicture = performance.now(); });
    }
    return fillText.apply(this, args);
  };
}

// Loads the page (and waits until it is on the information screen); returns the bytes the host sent meanwhile,
// with settleMs more for the worker's install or update check, and the time to the first picture.
async function visit(page, host, settle) {
  const before = host.bytes();
  await page.goto(host.url);
  await waitForInfoScreen(page);
  const ms = await waitFor('the first picture', () => page.evaluate(() => window.firstPicture));
  await settle();
  return { bytes: host.bytes() - before, ms };
}

const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];
const controlled = (page) => () => waitFor('the service worker', () =>
  page.evaluate(() => !!navigator.serviceWorker.controller)).then(() => pause(500));

const browser = await launchBrowser();
try {
  for (const gzip of [false, true]) {
    const host = await startHost(gzip);
    const first = [];
    const second = [];
    for (let run = 0; run < RUNS; run++) {
      const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
      await context.addInitScript(markFirstPicture);
      const page = await context.newPage();
      first.push(await visit(page, host, controlled(page)));
      // Chromium checks the worker for an update about a second after a navigation: its bytes count too.
      second.push(await visit(await context.newPage(), host, () => pause(3000)));
      await context.close();
    }
    const show = (visits) => `${median(visits.map((v) => v.bytes))} bytes, first picture after ` +
      `${median(visits.map((v) => v.ms)).toFixed(0)} ms (${visits.map((v) => v.ms.toFixed(0)).join(', ')})`;
    console.log(`${gzip ? 'gzip ' : 'plain'} first visit:  ${show(first)}`);
    console.log(`${gzip ? 'gzip ' : 'plain'} second visit: ${show(second)}`);
    host.close();
  }
} finally {
  await browser.close();
}
