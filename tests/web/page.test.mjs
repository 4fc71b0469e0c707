// The game in headless Chromium: what only the page can get wrong, its colours, keys, boxes, sound, browser
// storage, the end of the game, the pause when hidden, demos, the kept games' progress, and the installable offline
// page with its updates.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, test } from 'node:test';
import { setTimeout as pause } from 'node:timers/promises';
import { findActor, launchBrowser, openPage, readPage, startServer, until, waitFor, waitForBox, waitForInfoScreen,
  waitForLevel } from './harness.mjs';

const ARROW = '\u25BA';
const NOT_FOUND = { title: 'VELK Game Error', text: 'High-Scroe file was not found. High Score have been reset',
  buttons: ['OK'] };
const endedText = async (page, timeout) => (await until(page, 'the ended page', ({ ended }) => ended, timeout)).ended;
// What the page sees when its tab goes to the background (headless pages never do by themselves).
const hide = (page) => page.evaluate(() => Object.defineProperty(document, 'visibilityState',
  { value: 'hidden', configurable: true }).dispatchEvent(new Event('visibilitychange')));
// A record file holding `record` in its three copies (little-endian, as the file is), handed to the page's save
// (`viaPage`) or put straight into browser storage, as news the page's other tabs have not had yet.
const storeRecord = (page, record, viaPage) => page.evaluate(([record, viaPage]) => new Promise((resolve) => {
  const floats = new Float32Array(65536), bytes = new Uint8Array(floats.buffer);
  [19400, 34595, 60295].forEach((index) => { floats[index] = record; });
  if (viaPage) return resolve(velkFiles.save('VELKGAME.CFG', bytes) && velkFiles.settled());
  indexedDB.open('velk-files').onsuccess = ({ target: { result: db } }) => Object.assign(db.transaction('files',
    'readwrite'), { oncomplete: resolve }).objectStore('files').put(bytes, 'VELKGAME.CFG');
}), [record, viaPage]);
// The record in the stored record file's first copy, once the page's saves are stored.
const storedRecord = (page) => page.evaluate(() => velkFiles.settled().then(() => new Promise((resolve) => {
  indexedDB.open('velk-files').onsuccess = ({ target: { result: db } }) => db.transaction('files').objectStore('files')
    .get('VELKGAME.CFG').onsuccess = ({ target: { result } }) => resolve(new Float32Array(result.buffer)[34595]);
})));
const [server, browser] = await Promise.all([startServer(), launchBrowser()]);
after(() => Promise.all([browser.close(), server.close()]));

// Starts level 1 from the information screen through the box met on the way (none may be open once the level
// is up); returns the level's rows. The intro sound must have left the 'requested' state by then.
async function startLevel(page, box = false) {
  await waitForInfoScreen(page);
  await page.keyboard.press('b');
  if (box) {
    assert.deepEqual((await waitForBox(page)).box, box);
    await page.keyboard.press('Enter');
  }
  const { rows, box: open } = await waitForLevel(page, 1);
  const { sound } = await until(page, 'the intro sound', (reading) => /:(?!requested$)/.test(reading.sound));
  assert.match(`${open} ${sound}`, /^false VELKGSND1\.wav:(playing|ended|cut)$/);
  return rows;
}

// Finishes a level just begun, the arrow and the heart still on its middle row, in one batch of keys.
const finishLevel = (page, next) => page.evaluate(() => Array.from({ length: 118 }, () =>
  dispatchEvent(new KeyboardEvent('keydown', { key: 'ArrowRight' })))).then(() => waitForLevel(page, next));

// A page with browser storage of its own on the information screen, closed when the test ends.
async function infoScreen(t) {
  const opened = await openPage(browser, server.url);
  t.after(opened.close);
  await waitForInfoScreen(opened.page);
  return opened;
}

// ... and then in level 1, through the record file's box.
async function inLevel(t) {
  const opened = await infoScreen(t);
  await startLevel(opened.page, NOT_FOUND);
  return opened;
}

// The column of level 1's wall (drawn with ├).
const wallColumn = (rows) => Math.max(...rows.map((text) => text.indexOf('\u251C')));

test('colours: bright green text on bright blue, the keys to press in bright red, as the canvas holds them', async (t) => {
  const { page, errors } = await infoScreen(t);
  // Row 22 of the information screen: each cell's corner and the pixel of its glyph farthest from that.
  assert.deepEqual(await page.evaluate(() => [1, 8, 28, 73].map((index) => {
    const canvas = document.getElementById('screen'), [width, height] = [canvas.width / 120, canvas.height / 30];
    const data = canvas.getContext('2d').getImageData(index * width, 22 * height, width, height).data;
    const pixels = [...Array(data.length / 4).keys()].map((at) => [...data.slice(at * 4, at * 4 + 3)]);
    const away = (pixel) => pixel.reduce((sum, value, channel) => sum + Math.abs(value - pixels[0][channel]), 0);
    return `${pixels.reduce((far, pixel) => (away(pixel) > away(far) ? pixel : far))} on ${pixels[0]}`;
  })), ['0,255,0', '255,0,0', '255,0,0', '0,255,0'].map((ink) => `${ink} on 0,0,255`));
  assert.deepEqual(errors, []);
});

test('storage of the record: the zero record saved at the level start is stored, and a new page finds it (no box)',
  async (t) => {
    const { context, page, errors } = await inLevel(t);
    assert.equal(await page.evaluate(() => velkFiles.settled().then(() => velkFiles.storedWrites)), 1);
    const second = await context.newPage();
    await second.goto(server.url);
    await startLevel(second);
    assert.deepEqual(errors, []);
  });

test('a stored record: one put into browser storage is the record on the next load', async (t) => {
  const { page, errors } = await infoScreen(t);
  await storeRecord(page, 4321);
  await page.reload();
  assert.deepEqual([(await startLevel(page))[1].slice(0, 25), errors], [' Record high score: 4321 ', []]);
});

test('arrow keys: the browser keeps its shortcuts on the information screen; in a level an arrow counts whatever is held',
  async (t) => {
    const { page, errors } = await infoScreen(t);
    await page.evaluate(() => document.addEventListener('keydown', (e) => /^Arrow/.test(e.key) &&
      (window.kept ||= []).push(e.defaultPrevented)));
    await page.keyboard.press('Control+ArrowDown');
    await startLevel(page, NOT_FOUND);
    for (const [key, at] of [['Control+ArrowRight', '15,2'], ['Alt+ArrowDown', '16,2'], ['Alt+ArrowLeft', '16,1'],
      ['Meta+ArrowUp', '15,1']]) {
      await page.keyboard.press(key);
      await until(page, `${key}: the arrow at (${at})`, ({ rows }) => String(findActor(rows, ARROW)) === at);
    }
    assert.deepEqual(await page.evaluate(() => window.kept), [false, true, true, true, true], 'kept from the browser');
    assert.deepEqual(errors, []);
  });

test('the pause box holds the keys typed while it is up; Enter closes it and the next key moves the arrow', async (t) => {
  const { page, errors } = await inLevel(t);
  await page.keyboard.press('p');
  assert.equal((await waitForBox(page)).box.text, 'Game paused......');
  for (const key of ['o', 'ArrowDown', 'Enter', 'ArrowRight']) await page.keyboard.press(key);  // the box holds 'o' and the Down
  await until(page, 'the arrow at (15,2)', ({ box, rows }) => !box && String(findActor(rows, ARROW)) === '15,2');
  assert.deepEqual(errors, []);
});

test('a hidden page pauses the game: in a level at once, nothing moving until Enter; in the intro as soon as it can',
  async (t) => {
    const [{ page, errors }, { page: other }] = await Promise.all([inLevel(t), inLevel(t)]);
    // Hidden in a level: the same pause box, and nothing moves until Enter while the other page's level, begun
    // with this one, steps its wall twice (a step every 0.7 s).
    await hide(page);
    const { box, rows: still } = await waitForBox(page);
    const from = wallColumn((await readPage(other)).rows);
    await until(other, 'two steps of the other page\'s wall', ({ rows }) => wallColumn(rows) <= from - 2);
    assert.deepEqual([box.text, (await readPage(page)).rows], ['Game paused......', still]);
    await page.keyboard.press('Enter');
    await until(page, 'the wall to move on', ({ rows }) => rows.join('') !== still.join(''));
    // Hidden in the intro: the level pauses as soon as it can take the P.
    await page.keyboard.press('b');
    await until(page, 'the intro', ({ rows }) => rows[0].startsWith(' VELK VELK'));
    await hide(page);
    const paused = await waitForBox(page);
    assert.deepEqual([paused.box.text, paused.rows[4].slice(0, 17), errors],
      ['Game paused......', ' Current level: 1', []]);
  });

test('Esc ends the game, also on a hidden information screen (which does not pause); keys after the end reach nothing',
  async (t) => {
    const { page, errors } = await infoScreen(t);
    await hide(page);
    await page.keyboard.press('Escape');  // a pause box would take it instead
    assert.equal(await endedText(page), 'The game has ended (exit code 1).');
    await page.keyboard.press('b');  // handled once press() returns: neither queued for the game nor a box
    assert.deepEqual([(await readPage(page)).box, await page.evaluate(() => velkPage.keys.pending()), errors],
      [false, 0, []]);
  });

test('two tabs: a save never lowers the record another tab stored, which reaches the other at once', async () => {
  const { context, page: a, errors } = await openPage(browser, server.url);
  await startLevel(a, NOT_FOUND);
  const b = await context.newPage();
  await b.goto(server.url);
  await waitForInfoScreen(b);
  await storeRecord(b, 4000);  // A's level 1 pays 100 over the record of 0 it read
  await finishLevel(a, 2);
  assert.equal(await storedRecord(a), 4000);
  await storeRecord(b, 4321, true);
  assert.deepEqual([(await finishLevel(a, 3)).rows[1].slice(0, 25), await storedRecord(a), errors],
    [' Record high score: 4321 ', 4321, []]);
});

test('a missing package file: its line, its box, the ended page', async () => {
  const { page, errors } = await openPage(browser, server.url, (context) =>
    context.route(/\/VELKGSND3\.wav(\?|$)/, (route) => route.fulfill({ status: 404 })));
  const { box, notices } = await waitForBox(page);
  assert.deepEqual([box.title, box.text, box.buttons, notices], ['VELK Game Error 3',
    'File Package Error. Please re-download the package', ['OK'], 'VELKGSND3.wav could not be loaded (HTTP 404).']);
  await page.keyboard.press('Enter');
  assert.equal(await endedText(page), 'The game has ended (exit code 0).');
  assert.deepEqual(errors.filter((text) => !/404/.test(text)), []);
});

test('storage that refuses writes shows its line, and the game plays on', async () => {
  const { page, errors } = await openPage(browser, server.url, (context) => context.addInitScript(() => {
    IDBObjectStore.prototype.put = () => { throw new DOMException('full', 'QuotaExceededError'); };
  }));
  await startLevel(page, NOT_FOUND);
  assert.deepEqual([(await until(page, 'the storage line', ({ notices }) => notices)).notices, errors],
    ['Browser storage refused to keep the record high score (QuotaExceededError).', []]);
});

test('a game ended on the page downloads as a demo that plays there: its box as it was, the note, Esc stops it',
  async () => {
    const { page, errors } = await openPage(browser, server.url);
    await waitForInfoScreen(page);
    await page.keyboard.press('b');
    await waitForBox(page);
    await pause(1000);  // the box is up a second, and so it is when the demo plays
    await page.keyboard.press('Enter');
    await waitForLevel(page, 1);
    await pause(1000);  // nothing happens for a second, where the viewer's Esc comes
    for (const key of ['ArrowDown', 'ArrowRight', 'ArrowRight', 'Escape']) await page.keyboard.press(key);
    assert.equal(await endedText(page), 'The game has ended (exit code 1).');
    const demo = await page.evaluate(() => fetch(document.getElementById('ended-demo').href).then((r) => r.text()));
    assert.match(demo, /^VELKDEMO 2 [0-9.]+\n(.+\n)+$/);
    await Promise.all([page.waitForEvent('load'),
      page.setInputFiles('#demo-file', { name: 'game.demo', mimeType: 'text/plain', buffer: Buffer.from(demo) })]);
    assert.match(await page.evaluate(() => document.getElementById('demo-open').textContent), /^Playing a demo/);
    // The box, then its OK shown pressed; Esc in the second after it stops the demo before its keys.
    for (const ok of ['OK', '[OK]']) {
      const shown = JSON.stringify([{ ...NOT_FOUND, buttons: [ok] }, 'VELK demo: Space pauses, Esc stops']);
      await until(page, `the demo's box, ${ok}`, ({ box, status }) => JSON.stringify([box, status]) === shown);
    }
    await waitForLevel(page, 1);
    await page.keyboard.press('Escape');
    assert.equal(await endedText(page), 'The game has ended (exit code 0).');
    assert.deepEqual(await page.evaluate(() => velkFiles.settled().then(() => [document.getElementById('ended-demo'),
      velkFiles.storedWrites, document.getElementById('status').textContent])), [null, 0, '']);
    assert.equal(String(findActor((await readPage(page)).rows, ARROW)), '15,1', 'stopped before the recorded keys');
    assert.deepEqual(errors, []);
  });

test('a game ended is kept: Progress reports it with its chart, and the last game can be watched', async () => {
  const { page, errors } = await openPage(browser, server.url);
  await startLevel(page, NOT_FOUND);
  for (const key of ['ArrowDown', 'ArrowRight', 'Escape']) await page.keyboard.press(key);
  await endedText(page);
  await page.evaluate(() => velkFiles.settled());
  await page.click('#progress-open');
  const report = await waitFor('the report', () => page.evaluate(() =>
    document.querySelector('#progress-chart svg') && document.getElementById('progress-report').textContent));
  assert.match(report, /^  all time +1 /m);
  await Promise.all([page.waitForEvent('load'), page.click('#progress-watch')]);
  await until(page, 'the watched game', ({ status }) => status === 'VELK demo: Space pauses, Esc stops');
  assert.deepEqual(errors, []);
});

// Builds 1 (the zip) and 2 (one file changed) in turn under a sub-path of a site.
test('the zip: installable; one reload serves the next build whole; without a network it starts and plays',
  async (t) => {
    const site = await startServer(path.join(process.env.VELK_SITES_DIR, '1'));
    const context = await launchBrowser(path.join(process.env.VELK_SITES_DIR, 'profile'));
    t.after(() => Promise.all([context.close(), site.close()]));
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
    const loaded = fs.readdirSync(folder).filter((name) => !/\.(png|webmanifest)$|^service-worker|^velkprogress/.test(name));
    assert.deepEqual(loaded.filter((name) => !names.includes(name)), [], 'files not loaded');
    // The new build's worker takes over and drops the old build's cache.
    const build = /data-build="(\w+)"/.exec(fs.readFileSync(path.join(folder, 'index.html'), 'utf8'))[1];
    await waitFor('the second build alone in the cache', () => page.evaluate(
      (wanted) => caches.keys().then((keys) => keys.length === 1 && keys[0].endsWith(` ${wanted}`)), build));

    await context.setOffline(true);
    await context.route('**', (route) => route.abort());  // the worker's own requests too
    await page.reload();
    await startLevel(page, NOT_FOUND);
  });
