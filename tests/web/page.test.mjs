// The game in headless Chromium: what only the page can get wrong, its colours, keys, boxes, sound, browser
// storage, the end of the game, the pause when hidden, and the installable offline page with its updates.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, test } from 'node:test';
import {
  findActor, launchBrowser, launchProfile, openBox, openPage, readScreen, startServer, waitFor, waitForBox,
  waitForInfoScreen, waitForLevel, waitForRows,
} from './harness.mjs';

const ARROW = '\u25BA';
const NOT_FOUND = { title: 'VELK Game Error', text: 'High-Scroe file was not found. High Score have been reset',
  buttons: ['OK'] };
const notices = (page) => page.evaluate(() => document.getElementById('notices').textContent);
const endedText = (page) => page.evaluate(() => !document.getElementById('ended').hidden &&
  document.getElementById('ended-text').textContent);
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// What the page sees when its tab goes to the background (headless pages never do by themselves).
const hide = (page) => page.evaluate(() => {
  Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
  document.dispatchEvent(new Event('visibilitychange'));
});
const [server, browser] = await Promise.all([startServer(), launchBrowser()]);

after(async () => {
  await browser.close();
  server.close();
});

// Runs body on a fresh page (empty browser storage) after prepare(context); the page console must stay
// free of errors other than the ones the test provokes.
async function withPage(body, { prepare = () => {}, allowed = /^$/ } = {}) {
  const session = await openPage(browser);
  try {
    await prepare(session.context);
    await session.page.goto(server.url);
    await body(session.page, session.context);
    assert.deepEqual(session.errors.filter((text) => !allowed.test(text)), [], 'errors in the page console');
  } finally {
    await session.close();
  }
}

// Starts level 1 from the information screen, checking and closing the box met on the way (with no box
// expected, none may be open once the level is up); returns the level's rows.
// Waits until the intro sound has left the 'requested' state (it is fetched and decoded in the background).
async function assertIntroSound(page) {
  const sound = await waitFor('the intro sound', () => page.evaluate(() => {
    const first = velkPage.sound.log[0];
    return first && first.state !== 'requested' && `${first.name}:${first.state}`;
  }));
  assert.match(sound, /^VELKGSND1\.wav:(playing|ended|cut)$/);
}

async function startLevel(page, box = null) {
  await waitForInfoScreen(page);
  await page.keyboard.press('b');
  if (box) {
    assert.deepEqual(await waitForBox(page), box);
    await page.keyboard.press('Enter');
  }
  const rows = await waitForLevel(page, 1);
  assert.equal(await openBox(page), null);
  return rows;
}

test('a game: colours, intro sound, the record kept in storage, arrow keys, pause box, hidden page, a stored record, Esc',
  () => withPage(async (page, context) => {
    await waitForInfoScreen(page);
    // Row 22: bright green text on bright blue, the keys to press in bright red, as the canvas holds them:
    // each cell's corner and the pixel of its glyph farthest from that.
    const painted = await page.evaluate((cells) => cells.map((index) => {
      const canvas = document.getElementById('screen');
      const [width, height] = [canvas.width / 120, canvas.height / 30];
      const data = canvas.getContext('2d').getImageData(index * width, 22 * height, width, height).data;
      const pixels = [...Array(data.length / 4).keys()].map((at) => [...data.slice(at * 4, at * 4 + 3)]);
      const away = (pixel) => pixel.reduce((sum, value, channel) => sum + Math.abs(value - pixels[0][channel]), 0);
      return `${pixels.reduce((far, pixel) => (away(pixel) > away(far) ? pixel : far))} on ${pixels[0]}`;
    }), [1, 8, 28, 73]);
    assert.deepEqual(painted, ['0,255,0', '255,0,0', '255,0,0', '0,255,0'].map((ink) => `${ink} on 0,0,255`));

    await startLevel(page, NOT_FOUND);
    await assertIntroSound(page);

    // The zero record saved at the level start: once the page has stored it, a new page finds it (no box).
    assert.equal(await page.evaluate(() => velkFiles.settled().then(() => velkFiles.storedWrites)), 1);
    const second = await context.newPage();
    await second.goto(server.url);
    await startLevel(second);

    await page.evaluate(() => {
      window.kept = [];
      document.addEventListener('keydown', (event) => window.kept.push(event.defaultPrevented));
    });
    const moves = [['ArrowRight', 15, 2], ['ArrowDown', 16, 2], ['ArrowLeft', 16, 1], ['ArrowUp', 15, 1]];
    for (const [key, row, col] of moves) {
      await page.keyboard.press(key);
      await waitForRows(page, `${key}: the arrow at (${row}, ${col})`, (rows) => {
        const arrow = findActor(rows, ARROW);
        return arrow?.row === row && arrow.col === col;
      });
    }
    assert.deepEqual(await page.evaluate(() => window.kept), [true, true, true, true], 'arrow keys do not scroll');

    await page.keyboard.press('p');
    assert.equal((await waitForBox(page)).text, 'Game paused......');
    await page.keyboard.press('ArrowDown');  // the open box holds the keys
    await page.keyboard.press('Enter');
    await waitFor('the box to close', async () => !(await openBox(page)));
    await pause(200);
    assert.deepEqual(findActor(await readScreen(page), ARROW), { row: 15, col: 1 });

    // Hidden in a level: the same pause box, and nothing moves (the wall steps every 0.7 s) until Enter.
    await hide(page);
    assert.equal((await waitForBox(page)).text, 'Game paused......');
    const still = await readScreen(page);
    await pause(1600);
    assert.deepEqual(await readScreen(page), still);
    await page.keyboard.press('Enter');
    await waitForRows(page, 'the wall to move on', (rows) => rows.join('') !== still.join(''));

    // A record file holding 4321 in its three copies, put straight into browser storage.
    await second.evaluate(() => new Promise((resolve) => {
      const bytes = new Uint8Array(262144);
      for (const index of [19400, 34595, 60295]) new DataView(bytes.buffer).setFloat32(index * 4, 4321, true);
      indexedDB.open('velk-files').onsuccess = ({ target: { result: db } }) => {
        const transaction = db.transaction('files', 'readwrite');
        transaction.objectStore('files').put(bytes, 'VELKGAME.CFG');
        transaction.oncomplete = resolve;
      };
    }));
    await second.reload();
    assert.equal((await startLevel(second))[1].slice(0, 25), ' Record high score: 4321 ');

    await second.reload();
    await waitForInfoScreen(second);
    await hide(second);  // no pause box on the information screen: Esc ends the game
    await second.keyboard.press('Escape');
    assert.equal(await waitFor('the ended page', () => endedText(second)), 'The game has ended (exit code 1).');
    await second.keyboard.press('b');  // keys after the end reach nothing
    assert.equal(await openBox(second), null);
  }));

test('a missing package file: its line, its box, the ended page', () => withPage(async (page) => {
  const box = await waitForBox(page);
  assert.deepEqual(box, { title: 'VELK Game Error 3', text: 'File Package Error. Please re-download the package',
    buttons: ['OK'] });
  assert.equal(await notices(page), 'VELKGSND3.wav could not be loaded (HTTP 404).');
  await page.keyboard.press('Enter');
  assert.equal(await waitFor('the ended page', () => endedText(page)), 'The game has ended (exit code 0).');
}, {
  prepare: (context) => context.route(/\/VELKGSND3\.wav(\?|$)/, (route) => route.fulfill({ status: 404 })),
  allowed: /404/,
}));

test('storage that refuses writes shows its line, and the game plays on', () => withPage(async (page) => {
  await startLevel(page, NOT_FOUND);
  const line = 'Browser storage refused to keep the record high score (QuotaExceededError).';
  assert.equal(await waitFor('the storage line', () => notices(page)), line);
}, {
  prepare: (context) => context.addInitScript(() => {
    IDBObjectStore.prototype.put = () => { throw new DOMException('full', 'QuotaExceededError'); };
  }),
}));

// Builds 1 (the zip) and 2 (one file changed) in turn under a sub-path of a site.
test('the zip: installable; one reload serves the next build whole; without a network it starts and plays',
  async () => {
    const site = await startServer(path.join(process.env.VELK_SITES_DIR, '1'));
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'velk-profile-'));
    const context = await launchProfile(profile);  // only a profile can install a page
    try {
      const page = context.pages()[0];
      await page.goto(`${site.url}games/velk/`);
      await waitFor('the service worker', () => page.evaluate(() => !!navigator.serviceWorker.controller));
      const cdp = await context.newCDPSession(page);
      assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);

      site.dir = path.join(process.env.VELK_SITES_DIR, '2');
      const served = [];
      page.on('response', (response) => served.push(response));
      await page.reload();
      await waitForInfoScreen(page);
      const folder = path.join(site.dir, 'games/velk');
      const names = await Promise.all(served.map(async (response) => {
        const name = new URL(response.url()).pathname.slice('/games/velk/'.length) || 'index.html';
        assert.ok((await response.body()).equals(fs.readFileSync(path.join(folder, name))), name);
        return name;
      }));
      const loaded = fs.readdirSync(folder).filter((name) => !/\.(png|webmanifest)$|^service-worker/.test(name));
      assert.deepEqual(loaded.filter((name) => !names.includes(name)), [], 'files not loaded');
      // The new build's worker takes over and drops the old build's cache.
      const build = /data-build="(\w+)"/.exec(fs.readFileSync(path.join(folder, 'index.html'), 'utf8'))[1];
      await waitFor('the second build alone in the cache', () => page.evaluate(
        (wanted) => caches.keys().then((keys) => keys.length === 1 && keys[0].endsWith(` ${wanted}`)), build));

      await context.setOffline(true);
      await context.route('**', (route) => route.abort());  // the worker's own requests too
      await page.reload();
      await startLevel(page, NOT_FOUND);
      await assertIntroSound(page);
    } finally {
      await context.close();
      fs.rmSync(profile, { recursive: true });
      site.close();
    }
  });
