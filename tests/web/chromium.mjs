// Debian's chromium as the browser tests and the benchmark drive it: headless, WebGL 2
// on SwiftShader, nothing fetched in the background, an 800 x 600 window and a
// profile of its own, which close() removes.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export async function launchChromium(extraArgs = []) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'timberdrive-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
           '--window-size=800,600', ...extraArgs],
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, close };
}
