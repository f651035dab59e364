// The browser game in headless Chromium (Debian's chromium, WebGL 2 on SwiftShader),
// served from 127.0.0.1: the title comes within 15 s and matches the native game's
// title picture; the first click locks the pointer; a click and Space show the cab;
// the sound's audio context runs after the click; a demo saved with S survives a
// reload, L loads it and D plays it; Alt+Enter and the page's button give full screen
// at a whole scale, and Alt+Enter leaves it; and the page reports no error of its own
// on the way. The title demo dropped on the page keeps real time (updates per real
// second) and ends as natively; so does a demo linked by ?demo=; Escape on the title
// ends nothing; the canvas fits small and common screens. Then Firefox ESR: the title
// shows, a click takes the pointer, no page errors.
//
//   node browser_test.mjs SITE_FOLDER NATIVE_PICTURES_FOLDER NATIVE_BUILD_FOLDER
//
// Prints one line per check and "N passed, N failed"; exits 1 when one failed.
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import puppeteer from 'puppeteer-core';
import { launchChromium } from './chromium.mjs';
import { decodePng, sameShare } from './pictures.mjs';

const [site, natives, nativeBuild] = process.argv.slice(2);
if (!site || !natives || !nativeBuild) {
  console.error('usage: node browser_test.mjs SITE_FOLDER NATIVE_PICTURES_FOLDER NATIVE_BUILD_FOLDER');
  process.exit(2);
}
// Updates per real second the game keeps on the title demo under SwiftShader.
const MIN_UPDATES_PER_SECOND = 55;
// A demo the test serves beside the site, for ?demo=.
let linkedDemo = null;

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
  if (name === '/replays/linked.dem' && linkedDemo) {
    res.writeHead(200, { 'Content-Type': 'application/octet-stream' });
    res.end(linkedDemo);
    return;
  }
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
// The end state the native round tool reaches with a demo file's records.
function nativeEndState(file) {
  const out = execFileSync('./round_tool', ['--demo', file, '--quiet'], { cwd: nativeBuild, encoding: 'utf8' });
  return (/end state ([0-9a-f]{8})$/m.exec(out) || [])[1];
}
const endStateOf = (page) => page.evaluate(() => (Module._timberdrive_demo_end_state() >>> 0).toString(16)
  .padStart(8, '0'));
// Waits until a demo the page plays has run out and returns its end state.
async function demoEnd(page, ms) {
  await page.waitForFunction(() => Module.calledRun && Module._timberdrive_demo_end_state() !== 0,
                             { timeout: ms, polling: 500 })
    .catch(() => {});
  return endStateOf(page);
}

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
  check('the canvas holds 320x240, shown at 2x in an 800x600 window', size === '640x480x320x240', size);

  // Escape on the title of a page ends nothing: the title stays, no end screen.
  await page.keyboard.press('Escape');
  await new Promise((r) => setTimeout(r, 1000));
  const stayed = await page.evaluate(() => document.getElementById('ended').hidden);
  check('Escape on the title ends nothing', stayed && hasLogo(await picture(page)));

  // The title demo dropped on the page: it plays at once, at 60 updates per real
  // second on software graphics, and ends as the native round tool ends it.
  const d1 = fs.readFileSync(path.join(nativeBuild, 'data', 'd1.dem'));
  await page.evaluate((bytes) => {
    const data = new DataTransfer();
    data.items.add(new File([new Uint8Array(bytes)], 'd1.dem'));
    document.getElementById('stage').dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true,
                                                                        cancelable: true }));
  }, Array.from(d1));
  await waitForPicture(page, isCab, 10000);
  const rate = await page.evaluate(async () => {
    const u0 = Module._timberdrive_updates(), t0 = performance.now();
    await new Promise((r) => setTimeout(r, 20000));
    return (Module._timberdrive_updates() - u0) / ((performance.now() - t0) / 1000);
  });
  check(`the dropped title demo keeps at least ${MIN_UPDATES_PER_SECOND} updates per real second`,
        rate >= MIN_UPDATES_PER_SECOND, `${rate.toFixed(1)} a second`);
  const d1End = await demoEnd(page, 90000);
  const d1Recorded = fs.readFileSync(new URL('../tools/d1.state', import.meta.url), 'utf8').trim();
  check('the dropped title demo ends in its recorded end state', d1End === d1Recorded,
        `${d1End}, recorded ${d1Recorded}`);

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

  // The same round linked by ?demo= (the same origin) plays at once and ends as natively.
  linkedDemo = Buffer.from(saved);
  const linkedFile = path.join(os.tmpdir(), 'timberdrive-linked.dem');
  fs.writeFileSync(linkedFile, linkedDemo);
  await page.goto(`${address}?demo=replays/linked.dem`);
  const linkedEnd = await demoEnd(page, 40000), linkedNative = nativeEndState(linkedFile);
  check('a demo linked by ?demo= plays at once and ends as natively', linkedEnd === linkedNative,
        `${linkedEnd}, native ${linkedNative}`);
  await waitForPicture(page, isTitle, 15000);

  // Full screen by Alt+Enter, which the game hears a frame after the key (last: the
  // title's own demo may start meanwhile). Headless Chromium keeps its window's size
  // there: a larger viewport stands for the screen.
  await altEnter(page);
  const full = await fullScreenBecomes(page, 'stage');
  await page.setViewport({ width: 1400, height: 1000, deviceScaleFactor: 1 });
  await page.waitForFunction(() => Module.canvas.clientWidth !== 640, { timeout: 2000 }).catch(() => {});
  const scaled = await canvasSize(page), big = await picture(page);
  check('Alt+Enter puts the page in full screen, the game drawn at 4x in 1400x1000',
        full && scaled === '1280x960x320x240' && blockShare(big) > 0.99,
        `full screen ${full}, ${scaled}, ${(100 * blockShare(big)).toFixed(1)} % of 2x2 blocks one colour`);
  // Whole multiples of 320x240 on common screens; below 640x480 the whole picture.
  const fits = [];
  for (const [w, h, want] of [[1366, 768, '960x720'], [600, 500, '320x240'], [300, 200, '266x200']]) {
    await page.setViewport({ width: w, height: h, deviceScaleFactor: 1 });
    await page.waitForFunction((x) => Module.canvas.clientWidth === x, { timeout: 2000 }, Number(want.split('x')[0]))
      .catch(() => {});
    const got = (await canvasSize(page)).split('x').slice(0, 2).join('x');
    if (got !== want) fits.push(`${w}x${h}: ${got}, not ${want}`);
  }
  check('1366x768 shows 960x720, 600x500 the whole 320x240, 300x200 fitted', fits.length === 0, fits.join('; '));
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
}

// Firefox ESR (Debian's) in the X server run.sh gives it (headless Firefox has no
// WebGL): the title, the pointer taken by the first click, and nothing thrown at the
// page (Firefox refused the pointer to the first click and threw its refusal).
const firefox = await puppeteer.launch({ browser: 'firefox', headless: !process.env.DISPLAY,
  executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr' })
  .catch((e) => { check('Firefox ESR starts', false, e.message); return null; });
if (firefox) {
  try {
    problems.length = 0;
    const page = await firefox.newPage();
    await page.setViewport({ width: 800, height: 600 });
    watch(page);
    await page.goto(address);
    const title = await waitForPicture(page, hasLogo, 30000);
    check('Firefox: the title shows', hasLogo(title));
    await page.mouse.click(400, 300);
    const locked = await page.waitForFunction(() => document.pointerLockElement === Module.canvas, { timeout: 3000 })
      .then(() => true, () => false);
    check('Firefox: the first click takes the pointer', locked);
    check('Firefox: no page errors, console errors or warnings of ours', problems.length === 0, problems.join('; '));
  } catch (e) {
    check('the Firefox session ran to its end', false, e.message);
  } finally {
    await firefox.close();
  }
}
server.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
