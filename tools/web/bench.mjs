// The browser game's figures in headless Chromium, a benchmark and not a test: the
// time from the page's load to its title, and the cost of its frames over the title
// demo as the game's own frame statistics (TIMBERDRIVE_FRAME_STATS) sum them up.
//
//   node tools/web/bench.mjs ADDRESS NATIVE_TITLE_PNG DEMO_SECONDS
//
// Prints "runtime ready ... title ...", the page's frame rate over the demo and the
// game's "frame cost: ..." line.
import fs from 'node:fs';
import { launchChromium } from '../../tests/web/chromium.mjs';
import { decodePng, sameShare } from '../../tests/web/pictures.mjs';

const [address, titlePng, seconds] = process.argv.slice(2);
if (!address || !titlePng || !(Number(seconds) > 0)) {
  console.error('usage: node tools/web/bench.mjs ADDRESS NATIVE_TITLE_PNG DEMO_SECONDS');
  process.exit(2);
}
const nativeTitle = decodePng(fs.readFileSync(titlePng));
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const { browser, close: closeChromium } = await launchChromium();
let status = 1;
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
  let stats = null;
  page.on('console', (m) => {
    if (m.text().startsWith('frame cost:')) stats = m.text();
  });
  // The page makes its own Module: the statistics are asked for in its environment
  // before the game starts, and the runtime's start is noted.
  await page.evaluateOnNewDocument(() => {
    let module;
    Object.defineProperty(window, 'Module', {
      configurable: true,
      get: () => module,
      set: (m) => {
        if (m && !m.benchHooked) {
          m.benchHooked = true;
          (m.preRun = m.preRun || []).push(() => { ENV.TIMBERDRIVE_FRAME_STATS = '1'; });
          const ready = m.onRuntimeInitialized;
          m.onRuntimeInitialized = function () {
            window.benchReadyMs = performance.now();
            if (ready) ready.apply(this, arguments);
          };
        }
        module = m;
      },
    });
  });
  const start = Date.now();
  await page.goto(address);
  const canvas = await page.$('#canvas');
  let titleMs = null;
  while (Date.now() - start < 60000) {
    const shot = decodePng(Buffer.from(await canvas.screenshot({ type: 'png' })));
    if (sameShare(shot, nativeTitle, 0, 130) >= 0.99) {
      titleMs = Date.now() - start;
      break;
    }
    await sleep(50);
  }
  const readyMs = await page.evaluate(() => window.benchReadyMs);
  const s = (ms) => (ms == null ? 'never' : `${(ms / 1000).toFixed(2)} s`);
  console.log(`runtime ready ${s(readyMs)}, title shown ${s(titleMs)} after the page's load began`);

  // The demo from the title, back to the title, and the game's end, which prints
  // the statistics.
  // The game's statistics time what runs in its pass; WebGL's drawing is done after,
  // in the browser's GPU process, and shows in the time between the page's frames.
  await page.keyboard.press('d');
  await sleep(2000);  // the fade into the demo
  await page.evaluate(() => {
    window.benchUpdates = [Module._timberdrive_updates ? Module._timberdrive_updates() : null, performance.now()];
    window.benchIntervals = [];
    let last = performance.now();
    const tick = (t) => {
      window.benchIntervals.push(t - last);
      last = t;
      if (!window.benchStop) requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  });
  await sleep(Number(seconds) * 1000);
  const intervals = await page.evaluate(() => { window.benchStop = true; return window.benchIntervals; });
  // A page that falls behind runs several updates before a picture: the game's own rate.
  const ups = await page.evaluate(() => {
    const [u0, t0] = window.benchUpdates;
    return u0 === null ? null : (Module._timberdrive_updates() - u0) / ((performance.now() - t0) / 1000);
  });
  intervals.sort((a, b) => a - b);
  const at = (q) => intervals[Math.min(intervals.length - 1, Math.ceil(q * intervals.length) - 1)].toFixed(1);
  const sum = intervals.reduce((a, b) => a + b, 0);
  console.log(`page frames over the demo: ${intervals.length}, ${(1000 * intervals.length / sum).toFixed(1)} a second, ` +
              `ms between them median / 95th percentile: ${at(0.5)} / ${at(0.95)}` +
              (ups === null ? '' : `; game updates ${ups.toFixed(1)} a second`));
  await page.keyboard.press('Space');
  await sleep(4000);
  await page.keyboard.press('Escape');
  const end = Date.now() + 15000;
  while (!stats && Date.now() < end) await sleep(100);
  console.log(stats || 'no frame statistics: the game did not end');
  status = stats && titleMs != null ? 0 : 1;
} finally {
  await closeChromium();
}
process.exit(status);
