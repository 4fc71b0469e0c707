// The game in headless Chromium: what only the page can get wrong, its picture and colours, keys, boxes,
// sound, browser storage and the end of the game; one run starts a level.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import {
  findActor, launchBrowser, openBox, openPage, readScreen, startServer, waitFor, waitForBox, waitForInfoScreen,
  waitForLevel,
} from './harness.mjs';

const ARROW = '\u25BA';
const NOT_FOUND = { title: 'VELK Game Error', text: 'High-Scroe file was not found. High Score have been reset' };
const notices = (page) => page.evaluate(() => document.getElementById('notices').textContent);
const endedText = (page) => page.evaluate(() => !document.getElementById('ended').hidden &&
  document.getElementById('ended-text').textContent);
let server;
let browser;

before(async () => {
  [server, browser] = await Promise.all([startServer(), launchBrowser()]);
});

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

// Puts a record file holding this record in its three copies straight into browser storage.
const storeRecord = (page, record) => page.evaluate((value) => new Promise((resolve) => {
  const bytes = new Uint8Array(262144);
  for (const index of [19400, 34595, 60295]) new DataView(bytes.buffer).setFloat32(index * 4, value, true);
  indexedDB.open('velk-files').onsuccess = ({ target: { result: db } }) => {
    const transaction = db.transaction('files', 'readwrite');
    transaction.objectStore('files').put(bytes, 'VELKGAME.CFG');
    transaction.oncomplete = resolve;
  };
}), record);

test('the information screen in its colours; an unchanged picture paints nothing', () => withPage(async (page) => {
  await waitForInfoScreen(page);
  // Row 22: bright green text on bright blue, the keys to press in bright red, as the canvas holds them: each
  // cell's corner and the pixel of its glyph farthest from that.
  const painted = await page.evaluate((cells) => cells.map((index) => {
    const canvas = document.getElementById('screen');
    const [width, height] = [canvas.width / 120, canvas.height / 30];
    const data = canvas.getContext('2d').getImageData(index * width, 22 * height, width, height).data;
    const pixels = [...Array(data.length / 4).keys()].map((at) => [...data.slice(at * 4, at * 4 + 3)]);
    const away = (pixel) => pixel.reduce((sum, value, channel) => sum + Math.abs(value - pixels[0][channel]), 0);
    return `${pixels.reduce((far, pixel) => (away(pixel) > away(far) ? pixel : far))} on ${pixels[0]}`;
  }), [1, 8, 28, 73]);
  const [green, red] = ['0,255,0 on 0,0,255', '255,0,0 on 0,0,255'];
  assert.deepEqual(painted, [green, red, red, green]);
  // The game presents this screen on every pass; the page must not be asked to paint any of it.
  const draws = await page.evaluate(() => new Promise((resolve) => {
    let count = 0;
    const draw = velkPage.screen.draw;
    velkPage.screen.draw = (changes) => draw(changes, count++);
    setTimeout(() => resolve(count), 500);
  }));
  assert.equal(draws, 0);
}));

test('a game: intro sound, the record kept in storage, glyphs, arrow keys, pause box, a stored record, Esc',
  () => withPage(async (page, context) => {
    await waitForInfoScreen(page);
    await page.keyboard.press('Shift+B');
    // The sound is fetched and decoded in the background: wait until it has left the 'requested' state.
    const sound = await waitFor('the intro sound', () => page.evaluate(() => {
      const first = velkPage.sound.log[0];
      return first && first.state !== 'requested' && `${first.name}:${first.state}`;
    }));
    assert.match(sound, /^VELKGSND1\.wav:(playing|ended|cut)$/);
    assert.deepEqual(await waitForBox(page), { ...NOT_FOUND, buttons: ['OK'] });
    await page.keyboard.press('Enter');
    const level = await waitForLevel(page, 1);
    assert.deepEqual(findActor(level, ARROW), { row: 15, col: 1 });
    assert.deepEqual(findActor(level, '\u2665'), { row: 15, col: 119 });
    assert.ok(level.some((row) => row.includes('\u251C')), 'the level 1 wall glyph');

    // The zero record saved at the level start: once the page has stored it, a new page finds it.
    assert.equal(await page.evaluate(() => velkFiles.settled().then(() => velkFiles.storedWrites)), 1);
    const second = await context.newPage();
    await second.goto(server.url);
    await waitForInfoScreen(second);
    await second.keyboard.press('b');
    await waitForLevel(second, 1);
    assert.equal(await openBox(second), null, 'the stored record was found');
    assert.equal(await notices(second), '');

    await page.evaluate(() => {
      window.kept = [];
      document.addEventListener('keydown', (event) => window.kept.push(event.defaultPrevented));
    });
    const moves = [['ArrowRight', 15, 2], ['ArrowDown', 16, 2], ['ArrowLeft', 16, 1], ['ArrowUp', 15, 1]];
    for (const [key, row, col] of moves) {
      await page.keyboard.press(key);
      await waitFor(`${key}: the arrow at (${row}, ${col})`, async () => {
        const arrow = findActor(await readScreen(page), ARROW);
        return arrow?.row === row && arrow.col === col;
      }, 3000);
    }
    assert.deepEqual(await page.evaluate(() => window.kept), [true, true, true, true], 'arrow keys do not scroll');

    await page.keyboard.press('p');
    assert.equal((await waitForBox(page)).text, 'Game paused......');
    await page.keyboard.press('ArrowDown');  // the open box holds the keys
    await page.keyboard.press('Enter');
    await waitFor('the box to close', async () => !(await openBox(page)));
    await new Promise((resolve) => setTimeout(resolve, 200));
    assert.deepEqual(findActor(await readScreen(page), ARROW), { row: 15, col: 1 });

    await storeRecord(second, 4321);
    await second.reload();
    await waitForInfoScreen(second);
    await second.keyboard.press('b');
    assert.equal((await waitForLevel(second, 1))[1].slice(0, 25), ' Record high score: 4321 ');

    await second.reload();
    await waitForInfoScreen(second);
    await second.keyboard.press('Escape');
    assert.equal(await waitFor('the ended page', () => endedText(second)), 'The game has ended (exit code 1).');
    await second.keyboard.press('b');  // keys after the end reach nothing
    assert.equal(await openBox(second), null);
  }));

test('a missing package file: its line, its box, the ended page, a new start', () => withPage(async (page, context) => {
  const { title, text } = await waitForBox(page);
  assert.deepEqual([title, text], ['VELK Game Error 3', 'File Package Error. Please re-download the package']);
  assert.equal(await notices(page), 'VELKGSND3.wav could not be loaded (HTTP 404).');
  await page.keyboard.press('Enter');
  assert.equal(await waitFor('the ended page', () => endedText(page)), 'The game has ended (exit code 0).');
  await context.unroute('**/VELKGSND3.wav');
  await page.click('#ended-again');
  await waitForInfoScreen(page);
  assert.equal(await endedText(page), false);
}, {
  prepare: (context) => context.route('**/VELKGSND3.wav', (route) => route.fulfill({ status: 404 })),
  allowed: /404/,
}));

test('storage that refuses writes shows its line, and the game plays on', () => withPage(async (page) => {
  await waitForInfoScreen(page);
  await page.keyboard.press('b');
  assert.deepEqual(await waitForBox(page), { ...NOT_FOUND, buttons: ['OK'] });
  await page.keyboard.press('Enter');
  await waitForLevel(page, 1);
  const line = 'Browser storage refused to keep the record high score (QuotaExceededError).';
  assert.equal(await waitFor('the storage line', () => notices(page)), line);
}, {
  prepare: (context) => context.addInitScript(() => {
    IDBObjectStore.prototype.put = () => { throw new DOMException('full', 'QuotaExceededError'); };
  }),
}));
