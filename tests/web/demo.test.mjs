// Demos on the page: a game ended there is offered as a download; that demo, opened on the page, plays there
// to the same end without touching the player's stored record.
import assert from 'node:assert/strict';
import { after, test } from 'node:test';
import { launchBrowser, openPage, startServer, waitFor, waitForBox, waitForInfoScreen, waitForLevel } from './harness.mjs';

const [server, browser] = await Promise.all([startServer(), launchBrowser()]);
after(async () => {
  await browser.close();
  server.close();
});
const ended = (page) => page.evaluate(() => !document.getElementById('ended').hidden &&
  document.getElementById('ended-text').textContent);

test('a game recorded on the page downloads as a demo that plays there again', async () => {
  const { page, errors, close } = await openPage(browser);
  try {
    await page.goto(server.url);
    await waitForInfoScreen(page);
    await page.keyboard.press('b');
    await waitForBox(page);
    await page.keyboard.press('Enter');
    await waitForLevel(page, 1);
    for (const key of ['ArrowDown', 'ArrowRight', 'ArrowRight', 'Escape']) await page.keyboard.press(key);
    assert.equal(await waitFor('the end panel', () => ended(page)), 'The game has ended (exit code 1).');
    const demo = await page.evaluate(() => fetch(document.getElementById('ended-demo').href).then((r) => r.text()));
    assert.match(demo, /^VELKDEMO 1 [0-9.]+\n(.+\n)+$/);

    await Promise.all([page.waitForEvent('load'),
      page.setInputFiles('#demo-file', { name: 'game.demo', mimeType: 'text/plain', buffer: Buffer.from(demo) })]);
    assert.match(await page.evaluate(() => document.getElementById('demo-open').textContent), /^Playing a demo/);
    assert.equal(await waitFor('the demo played to its end', () => ended(page), 30000),
      'The game has ended (exit code 1).');
    assert.equal(await page.evaluate(() => document.getElementById('ended-demo')), null);
    assert.equal(await page.evaluate(() => velkFiles.settled().then(() => velkFiles.storedWrites)), 0);
    assert.deepEqual(errors, []);
  } finally {
    await close();
  }
});
