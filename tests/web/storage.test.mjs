// The page's files: the record kept in browser storage at once, and the line the page shows for a file
// it cannot load or storage that does not work.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launchBrowser, openBox, openPage, startServer, waitFor, waitForBox, waitForInfoScreen, waitForLevel } from './harness.mjs';

const NOT_FOUND = 'High-Scroe file was not found. High Score have been reset';
let server;
let browser;

before(async () => {
  [server, browser] = await Promise.all([startServer(), launchBrowser()]);
});

after(async () => {
  await browser.close();
  server.close();
});

const notices = (page) => page.evaluate(() => document.getElementById('notices').textContent);

// The record file as IndexedDB holds it, read past the page's own code: its length, or null.
const storedLength = (page) => page.evaluate(() => new Promise((resolve) => {
  const request = indexedDB.open('velk-files');
  request.onsuccess = () => {
    const get = request.result.transaction('files').objectStore('files').get('VELKGAME.CFG');
    get.onsuccess = () => resolve(get.result ? get.result.length : null);
  };
}));

test('the zero record written at the first level start is in storage once stored, and a new page finds it', async () => {
  const session = await openPage(browser);
  try {
    const { page, context } = session;
    await page.goto(server.url);
    await waitForInfoScreen(page);
    await page.keyboard.press('b');
    assert.equal((await waitForBox(page)).text, NOT_FOUND);
    await page.keyboard.press('Enter');
    await waitForLevel(page, 1);
    assert.equal(await page.evaluate(() => velkFiles.settled().then(() => velkFiles.storedWrites)), 1);
    assert.equal(await storedLength(page), 262144);

    const second = await context.newPage();
    await second.goto(server.url);
    await waitForInfoScreen(second);
    await second.keyboard.press('b');
    await waitForLevel(second, 1);
    assert.equal(await openBox(second), null);
    assert.equal(await notices(second), '');
    assert.deepEqual(session.errors, []);
  } finally {
    await session.close();
  }
});

test('a file that cannot be loaded and storage that refuses to write each show their line', async () => {
  const cases = [
    {
      fault: 'a missing sound file', line: 'VELKGSND3.wav could not be loaded (HTTP 404).',
      prepare: (context) => context.route('**/VELKGSND3.wav', (route) => route.fulfill({ status: 404, body: '' })),
      after: async (page) => assert.equal((await waitForBox(page)).title, 'VELK Game Error 3'),
    },
    {
      fault: 'storage refusing writes',
      line: 'Browser storage refused to keep the record high score (QuotaExceededError).',
      prepare: (context) => context.addInitScript(() => {
        IDBObjectStore.prototype.put = () => { throw new DOMException('full', 'QuotaExceededError'); };
      }),
      after: async (page) => {
        await waitForInfoScreen(page);
        await page.keyboard.press('b');
        await waitForBox(page);
        await page.keyboard.press('Enter');
        await waitForLevel(page, 1);
      },
    },
  ];
  for (const { fault, line, prepare, after: then } of cases) {
    const session = await openPage(browser);
    try {
      await prepare(session.context);
      await session.page.goto(server.url);
      await then(session.page);
      assert.equal(await waitFor(`the line about ${fault}`, () => notices(session.page)), line, fault);
    } finally {
      await session.close();
    }
  }
});
