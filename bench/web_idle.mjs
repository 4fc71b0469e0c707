// How busy the idle game keeps the browser: Chromium's main-thread task time over 10 s on the information screen
// and in level 1. Run with VELK_PAGE_DIR naming a built page folder (tests/web/run.sh builds build/web/package).
import { launchBrowser, openPage, startServer, waitForBox, waitForInfoScreen, waitForLevel } from '../tests/web/harness.mjs';

const SECONDS = 10;
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function taskSeconds(cdp) {
  const { metrics } = await cdp.send('Performance.getMetrics');
  return metrics.find((metric) => metric.name === 'TaskDuration').value;
}

// The share of wall time the page's main thread spent in tasks while nothing is pressed.
async function busyShare(cdp) {
  const before = await taskSeconds(cdp);
  const start = performance.now();
  await pause(SECONDS * 1000);
  const elapsed = (performance.now() - start) / 1000;
  return ((await taskSeconds(cdp)) - before) / elapsed * 100;
}

const [server, browser] = await Promise.all([startServer(), launchBrowser()]);
try {
  const session = await openPage(browser);
  await session.cdp.send('Performance.enable', { timeDomain: 'threadTicks' });
  await session.page.goto(server.url);
  await waitForInfoScreen(session.page);
  await pause(1000);
  console.log(`information screen: main thread busy ${(await busyShare(session.cdp)).toFixed(2)} % over ${SECONDS} s`);
  await session.page.keyboard.press('b');
  await waitForBox(session.page);  // a fresh page has no record yet
  await session.page.keyboard.press('Enter');
  await waitForLevel(session.page, 1);
  await pause(500);
  console.log(`level 1:            main thread busy ${(await busyShare(session.cdp)).toFixed(2)} % over ${SECONDS} s`);
  await session.close();
} finally {
  await browser.close();
  server.close();
}
