// The game in headless Chromium: what only the page can get wrong, its picture and colours, keys, boxes,
// sound, storage and the end of the game; one run starts a level.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import {
  ATTR, GLYPH, endedText, findActors, launchBrowser, openBox, openPage, readScreen, startServer, storeRecord, waitFor,
  waitForBox, waitForInfoScreen, waitForLevel,
} from './harness.mjs';

const NOT_FOUND = { title: 'VELK Game Error', text: 'High-Scroe file was not found. High Score have been reset' };
let server;
let browser;

before(async () => {
  [server, browser] = await Promise.all([startServer(), launchBrowser()]);
});

after(async () => {
  await browser.close();
  server.close();
});

// Runs body with a fresh page (and empty browser storage); the page's console must stay free of
// errors, apart from the resource failures a test provokes on purpose.
async function withPage(body, { allowedErrors = [] } = {}) {
  const session = await openPage(browser);
  try {
    await session.page.goto(server.url);
    await body(session.page, session);
    const unexpected = session.errors.filter((text) => !allowedErrors.some((pattern) => pattern.test(text)));
    assert.deepEqual(unexpected, [], 'errors in the page console');
  } finally {
    await session.close();
  }
}

test('the information screen in its colours; an unchanged present touches nothing', async () => {
  await withPage(async (page) => {
    const screen = await waitForInfoScreen(page);
    assert.equal(await page.title(), 'VELK Keyboard Practice Game');
    const expected = (col) => (col === 8 || col === 28 ? ATTR.ACTOR : ATTR.TEXT);
    for (let col = 0; col < 79; col++) assert.equal(screen.attrs[22][col], expected(col), `row 22, column ${col}`);
    assert.ok(screen.attrs[29].every((a) => a === ATTR.FIELD), 'the last row is the field');
    // The colours as the browser paints them: bright green and bright red on bright blue.
    const painted = await page.evaluate(() => [22 * 120 + 1, 22 * 120 + 8].map((index) => {
      const style = getComputedStyle(document.querySelectorAll('#screen span')[index]);
      return [style.color, style.backgroundColor];
    }));
    assert.deepEqual(painted, [['rgb(0, 255, 0)', 'rgb(0, 0, 255)'], ['rgb(255, 0, 0)', 'rgb(0, 0, 255)']]);
    // The game redraws and presents this screen on every pass; the page must see none of it.
    const mutations = await page.evaluate(() => new Promise((resolve) => {
      let count = 0;
      const observer = new MutationObserver((records) => { count += records.length; });
      observer.observe(document.getElementById('screen'), { subtree: true, childList: true, characterData: true, attributes: true });
      setTimeout(() => { observer.disconnect(); resolve(count); }, 500);
    }));
    assert.equal(mutations, 0);
  });
});

test("a game: 'B' plays the intro with its sound, level 1 opens, arrow keys move the arrow, 'P' pauses", async (t) => {
  await withPage(async (page) => {
    await waitForInfoScreen(page);

    await t.test('the intro starts its sound with the key', async () => {
      await page.keyboard.press('Shift+B');  // an upper-case B starts the game too
      await waitFor('the intro', async () => (await readScreen(page)).rows[0].startsWith(' VELK VELK'));
      // The sound is fetched and decoded in the background: wait until it has left the 'requested' state.
      const first = await waitFor('the intro sound to start', async () => {
        const log = await page.evaluate(() => velkPage.sound.log.map((entry) => `${entry.name}:${entry.state}`));
        return log.length && !log[0].endsWith(':requested') ? log[0] : null;
      });
      assert.match(first, /^VELKGSND1\.wav:(playing|ended|cut)$/);
    });

    await t.test('level 1 opens after the box about the missing record file, with its glyphs', async () => {
      assert.deepEqual(await waitForBox(page), { ...NOT_FOUND, buttons: ['OK'] });
      await page.keyboard.press('Enter');
      const level = await waitForLevel(page, 1);
      assert.equal(level.rows[3].slice(17, 23), GLYPH.ARROW.repeat(6));
      const actors = findActors(level);
      assert.deepEqual(actors.arrow, { row: 15, col: 1 });
      assert.deepEqual(actors.heart, { row: 15, col: 119 });
      assert.equal(level.rows[0][actors.wallCol], '\u251C', 'the level 1 wall glyph');
    });

    await t.test('arrow keys move the arrow, and the page keeps them from scrolling', async () => {
      await page.evaluate(() => {
        window.keptFromBrowser = [];
        document.addEventListener('keydown', (event) => window.keptFromBrowser.push(event.defaultPrevented));
      });
      const moves = [['ArrowRight', 15, 2], ['ArrowDown', 16, 2], ['ArrowLeft', 16, 1], ['ArrowUp', 15, 1]];
      for (const [key, row, col] of moves) {
        await page.keyboard.press(key);
        await waitFor(`the arrow at (${row}, ${col})`, async () => {
          const { arrow } = findActors(await readScreen(page));
          return arrow && arrow.row === row && arrow.col === col;
        }, { timeout: 3000 });
      }
      assert.deepEqual(await page.evaluate(() => window.keptFromBrowser), Array(moves.length).fill(true));
    });

    await t.test("'P' opens the pause box; keys meanwhile do not reach the game, and Enter closes it", async () => {
      await page.keyboard.press('p');
      assert.deepEqual(await waitForBox(page), { title: 'VELK Game Message', text: 'Game paused......', buttons: ['OK'] });
      const paused = findActors(await readScreen(page));
      await page.keyboard.press('ArrowDown');
      await page.keyboard.press('Enter');
      await waitFor('the box to close', async () => !(await openBox(page)), { timeout: 3000 });
      await new Promise((resolve) => setTimeout(resolve, 200));
      assert.deepEqual(findActors(await readScreen(page)).arrow, paused.arrow);
    });
  });
});

test("the game's record file is kept in browser storage, and one put there is read", async () => {
  await withPage(async (page) => {
    await waitForInfoScreen(page);
    await page.keyboard.press('b');
    assert.deepEqual(await waitForBox(page), { ...NOT_FOUND, buttons: ['OK'] });
    await page.keyboard.press('Enter');
    await waitForLevel(page, 1);
    await page.evaluate(() => velkFiles.settled());
    await page.reload();
    await waitForInfoScreen(page);
    await page.keyboard.press('b');
    await waitForLevel(page, 1);
    assert.equal(await openBox(page), null, 'the file the game wrote was found');

    await storeRecord(page, 4321);
    await page.reload();
    await waitForInfoScreen(page);
    await page.keyboard.press('b');
    const level = await waitForLevel(page, 1);  // no box: the record file was found
    assert.equal(level.rows[1].slice(0, 25), ' Record high score: 4321 ');
    assert.equal(await openBox(page), null);
  });
});

test('a broken package shows its box, then the ended page, which starts the game again', async () => {
  const cases = [
    { file: 'VELKGSND3.wav', fault: 'one byte short', title: 'VELK Game Error 3', allowed: [] },
    { file: 'VELKGAME.exe', fault: 'missing', title: 'VELK Game Error A', allowed: [/404/] },
  ];
  for (const { file, fault, title, allowed } of cases) {
    const session = await openPage(browser);
    try {
      const { page, context } = session;
      await context.route(`**/${file}`, async (route) => {
        if (fault === 'missing') return route.fulfill({ status: 404, body: '' });
        const response = await route.fetch();
        return route.fulfill({ response, body: (await response.body()).subarray(1) });
      });
      await page.goto(server.url);
      assert.deepEqual(await waitForBox(page), {
        title, text: 'File Package Error. Please re-download the package', buttons: ['OK'],
      }, `${file} ${fault}`);
      await page.keyboard.press('Enter');
      assert.equal(await waitFor('the ended page', () => endedText(page)), 'The game has ended (exit code 0).');
      await context.unroute(`**/${file}`);
      await page.click('#ended-again');
      await waitForInfoScreen(page);
      assert.equal(await endedText(page), null);
      assert.deepEqual(session.errors.filter((text) => !allowed.some((pattern) => pattern.test(text))), []);
    } finally {
      await session.close();
    }
  }
});

test('Esc ends the game with exit code 1', async () => {
  await withPage(async (page) => {
    await waitForInfoScreen(page);
    await page.keyboard.press('Escape');
    assert.equal(await waitFor('the ended page', () => endedText(page)), 'The game has ended (exit code 1).');
    // Keys after the end reach nothing and break nothing.
    await page.keyboard.press('b');
    assert.equal(await openBox(page), null);
  });
});
