// The browser game in headless Chromium (Debian's chromium, WebGL 2 on SwiftShader),
// served from 127.0.0.1: the title comes within 15 s and matches the native game's
// title picture; the first click locks the pointer; a click and Space show the cab;
// the sound's audio context runs after the click; a demo saved with S survives a
// reload, L loads it and D plays it; Alt+Enter and the page's button give full screen
// at a whole scale, and Alt+Enter leaves it; and the page reports no error of its own
// on the way.
//
//   node browser_test.mjs SITE_FOLDER NATIVE_PICTURES_FOLDER
//
// Prints one line per check and "N passed, N failed"; exits 1 when one failed.
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launchChromium } from './chromium.mjs';
import { decodePng, sameShare } from './pictures.mjs';

const [site, natives] = process.argv.slice(2);
if (!site || !natives) {
  console.error('usage: node browser_test.mjs SITE_FOLDER NATIVE_PICTURES_FOLDER');
  process.exit(2);
}

// The whole title equal but for the pointer the game draws where the system's pointer
// is: a headless browser puts that at the page's corner, the native screenshots tool
// at the window's centre (each about 0.3 % of the picture).
const TITLE_SHARE = 0.99;

// ---------------------------------------------------------------------------------
// The server and the browser.

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.css': 'text/css',
                '.png': 'image/png', '.data': 'application/octet-stream' };
const server = http.createServer((req, res) => {
  const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  const root = path.resolve(site);
  const file = path.join(root, name === '/' ? 'index.html' : name);
  if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
    res.writeHead(404);
    res.end();
    return;
  }
  res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const address = `http://127.0.0.1:${server.address().port}/`;

const { browser, close: closeChromium } = await launchChromium(['--autoplay-policy=user-gesture-required']);

let passed = 0, failed = 0;
function check(name, ok, detail = '') {
  if (ok) ++passed; else ++failed;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ` (${detail})` : ''}`);
}

// What the page itself reports: its uncaught errors and console errors or warnings
// from our own files (the browser's notes about the GPU are not ours).
const problems = [];
function watch(page) {
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => {
    const where = m.location() && m.location().url || '';
    if ((m.type() === 'error' || m.type() === 'warn') && (where.startsWith(address) || where === '')) {
      problems.push(`console ${m.type()}: ${m.text()}`);
    }
  });
  page.on('requestfailed', (r) => problems.push(`request failed: ${r.url()}`));
}

async function picture(page) {
  const canvas = await page.$('#canvas');
  return decodePng(Buffer.from(await canvas.screenshot({ type: 'png' })));
}

// Polls the canvas until test(picture) holds or the time is up; the last picture.
async function waitForPicture(page, test, ms) {
  const end = Date.now() + ms;
  let last = null;
  for (;;) {
    last = await picture(page);
    if (test(last) || Date.now() > end) return last;
    await new Promise((r) => setTimeout(r, 250));
  }
}

const nativeTitle = decodePng(fs.readFileSync(path.join(natives, '2_title_year1_8s.png')));
const nativeCab = decodePng(fs.readFileSync(path.join(natives, '6_play_start.png')));
// The cab's lower half (dashboard, wheel, seat) stands still at the start of a round.
const isCab = (p) => sameShare(p, nativeCab, 300, 480) > 0.5;
const isTitle = (p) => sameShare(p, nativeTitle) >= TITLE_SHARE;
const hasLogo = (p) => sameShare(p, nativeTitle, 0, 130) >= TITLE_SHARE;
// The notice under the game's name after L: "Demo loaded", not "No saved demo" or
// "Can't load the saved demo" (which fill the same box with other letters).
const nativeLoaded = decodePng(fs.readFileSync(path.join(natives, '7_title_demo_loaded.png')));
const loadedShare = (p) => sameShare(p, nativeLoaded, 138, 170, 200, 440);
const saysLoaded = (p) => loadedShare(p) >= TITLE_SHARE;
// The share of the 2x2 blocks of a picture at 2x that are of one colour: the page
// scales by whole numbers and does not smooth.
function blockShare(p) {
  let same = 0;
  for (let y = 0; y < p.height; y += 2) {
    for (let x = 0; x < p.width; x += 2) {
      const i = (y * p.width + x) * 3, right = i + 3, below = i + p.width * 3, across = below + 3;
      let one = true;
      for (let k = 0; k < 3; ++k) {
        one = one && p.rgb[i + k] === p.rgb[right + k] && p.rgb[i + k] === p.rgb[below + k] &&
              p.rgb[i + k] === p.rgb[across + k];
      }
      if (one) ++same;
    }
  }
  return same / ((p.width / 2) * (p.height / 2));
}
const canvasSize = (page) => page.$eval('#canvas', (c) => [c.clientWidth, c.clientHeight, c.width, c.height].join('x'));
async function altEnter(page) {
  await page.keyboard.down('Alt');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Alt');
}
// Whether the page's full-screen element comes to be the one with this id (null: none).
const fullScreenBecomes = (page, id) => page.waitForFunction(
  (want) => (document.fullscreenElement ? document.fullscreenElement.id : null) === want, { timeout: 3000 }, id)
  .then(() => true, () => false);
const USER_DEMO = '/home/web_user/.local/share/timberdrive/demo.dem';
const fileOf = (page) => page.evaluate((f) => {
  try { return Array.from(Module.FS.readFile(f)); } catch (e) { return null; }
}, USER_DEMO);

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
  watch(page);
  const start = Date.now();
  await page.goto(address);
  // The logo and the first line come at once; the rest of the title builds up over
  // its first 8 s of game time, which a busy machine's software renderer may stretch.
  const first = await waitForPicture(page, hasLogo, 15000 - (Date.now() - start));
  check('the title appears within 15 s', hasLogo(first), `${((Date.now() - start) / 1000).toFixed(1)} s`);
  const title = await waitForPicture(page, isTitle, 40000);
  fs.writeFileSync(path.join(os.tmpdir(), 'timberdrive-browser-title.png'),
                   await (await page.$('#canvas')).screenshot({ type: 'png' }));
  check('the whole title matches the native title picture at 1x', isTitle(title),
        `${((Date.now() - start) / 1000).toFixed(1)} s, ${(100 * sameShare(title, nativeTitle)).toFixed(2)} % of pixels the same`);
  const size = await canvasSize(page);
  check('the canvas is shown at 1x in an 800x600 window', size === '640x480x640x480', size);

  // A short round of our own, recorded: the click starts the drive and the sound.
  await page.mouse.click(400, 300);
  await new Promise((r) => setTimeout(r, 1000));
  const locked = await page.evaluate(() => document.pointerLockElement && document.pointerLockElement.id);
  check('the first click locks the pointer to the canvas', locked === 'canvas', `locked: ${locked}`);

  await page.keyboard.press('Space');
  const cab = await waitForPicture(page, isCab, 30000);
  check('a click and Space show the cab', isCab(cab),
        `${(100 * sameShare(cab, nativeCab, 300, 480)).toFixed(1)} % of the dashboard the same`);
  // 0 no output, 1 waiting for a gesture, 2 playing.
  const audio = await page.evaluate(() => Module._timberdrive_audio_state());
  check('the audio context runs after the click', audio === 2, `state ${audio}`);
  await new Promise((r) => setTimeout(r, 1500));
  await page.keyboard.press('Escape');
  await waitForPicture(page, (p) => !isCab(p), 5000);
  await new Promise((r) => setTimeout(r, 2500));  // the title's fade-in takes no keys
  const saves = await page.evaluate(() => Module.userFolderSaves);
  await page.keyboard.press('s');
  await page.waitForFunction((n) => Module.userFolderSaves > n, { timeout: 5000 }, saves).catch(() => {});
  const saved = await fileOf(page);
  check('S writes demo.dem into the persistent folder', saved !== null && saved.length > 0,
        saved ? `${saved.length} bytes` : 'no file');

  await page.reload();
  await waitForPicture(page, isTitle, 15000);
  const kept = await fileOf(page);
  check('demo.dem survives a reload', kept !== null && saved !== null && kept.join() === saved.join());
  // L takes the saved round instead of the game's own demo (100 s long) and says so
  // for two seconds; D plays it, and a round of a few seconds ends soon.
  await page.keyboard.press('l');
  const notice = await waitForPicture(page, saysLoaded, 1500);
  check('L loads the saved demo: the game says "Demo loaded"', saysLoaded(notice),
        `${(100 * loadedShare(notice)).toFixed(1)} % of the notice's box the same`);
  await page.keyboard.press('d');
  const playing = await waitForPicture(page, isCab, 30000);
  // Back on the title, not merely off the dashboard (the wheel and the paw move).
  const back = await waitForPicture(page, hasLogo, 30000);
  check('L then D plays the saved round to its end', isCab(playing) && hasLogo(back));

  // Full screen by Alt+Enter, which the game hears a frame after the key (last: the
  // title's own demo may start meanwhile). Headless Chromium keeps its window's size
  // there: a larger viewport stands for the screen.
  await altEnter(page);
  const full = await fullScreenBecomes(page, 'stage');
  await page.setViewport({ width: 1400, height: 1000, deviceScaleFactor: 1 });
  await page.waitForFunction(() => Module.canvas.clientWidth !== 640, { timeout: 2000 }).catch(() => {});
  const scaled = await canvasSize(page), big = await picture(page);
  check('Alt+Enter puts the page in full screen, the game drawn at 2x in 1400x1000',
        full && scaled === '1280x960x640x480' && blockShare(big) > 0.99,
        `full screen ${full}, ${scaled}, ${(100 * blockShare(big)).toFixed(1)} % of 2x2 blocks one colour`);
  await altEnter(page);
  const left = await fullScreenBecomes(page, null);
  await page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
  // The page's button, then Alt+Enter: the game knows where the button took it.
  await page.click('#fullscreen');
  const byButton = await fullScreenBecomes(page, 'stage');
  await altEnter(page);
  check('Alt+Enter leaves full screen, also after the page\'s button entered it',
        left && byButton && await fullScreenBecomes(page, null), `left ${left}, by the button ${byButton}`);

  check('no page errors, console errors or warnings of ours', problems.length === 0, problems.join('; '));
} catch (e) {
  check(`the browser session ran to its end`, false, e.message);
} finally {
  await closeChromium();
  server.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
