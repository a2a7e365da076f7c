// browser.mjs: what the page tests, the screenshot and the frame-rate
// benchmark share: headless Chromium from Debian (WebGL drawn by SwiftShader),
// a static server on 127.0.0.1, and a look at the canvas as it is shown.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import os from 'node:os';
import puppeteer from 'puppeteer-core';

export const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';

// Starts headless Chromium with a profile folder of its own, removed when
// the browser is closed. The closed network here refuses Chromium's
// background connections, so they are turned off; as root it needs
// --no-sandbox. `extraArgs` adds flags, such as one that turns WebGL off.
export async function launchBrowser(extraArgs = []) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'firework-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath,
    headless: true,
    userDataDir: profile,
    // A desktop's page: wide enough for the canvas's full 800 CSS pixels.
    defaultViewport: {width: 1000, height: 1000},
    args: [
      '--no-sandbox',
      '--use-gl=angle',
      '--use-angle=swiftshader',
      '--enable-unsafe-swiftshader',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      '--disable-quic',
      '--window-size=1000,1400',
      ...extraArgs,
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    try {
      await close();
    } finally {
      fs.rmSync(profile, {recursive: true, force: true});
    }
  };
  return browser;
}

const contentTypes = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};

// Serves `root` on 127.0.0.1 at a free port; resolves to the server.
export function serveFolder(root) {
  const server = http.createServer((request, response) => {
    const relative = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = path.join(root, relative.endsWith('/') ? relative + 'index.html' : relative);
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'Content-Type': contentTypes[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// A run of named checks: prints a line for each and, at the end, "N passed,
// N failed"; `label` starts every line.
export function checkList(label) {
  const tally = {passed: 0, failed: 0};
  tally.check = (name, ok, detail = '') => {
    if (ok) ++tally.passed;
    else ++tally.failed;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${label}: ${name}${detail ? ' (' + detail + ')' : ''}`);
  };
  tally.finish = () => {
    console.log(`${tally.passed} passed, ${tally.failed} failed`);
    process.exit(tally.failed === 0 ? 0 : 1);
  };
  return tally;
}

// Opens `url` in a new tab of `browser` with frameProbe installed (see
// there for `holdFrames`); the page's console errors and uncaught errors go
// to `errors`.
// With `viewport`, the tab shows the page at that size and device emulation
// (puppeteer's setViewport) from the start.
export async function openPage(browser, url, holdFrames, errors, viewport = null) {
  const page = await browser.newPage();
  if (viewport) await page.setViewport(viewport);
  watchErrors(page, errors);
  await page.evaluateOnNewDocument(frameProbe, holdFrames);
  await page.goto(url);
  return page;
}

// Adds the console errors and uncaught errors of `page` to `errors`, each
// after the address it came from.
export function watchErrors(page, errors) {
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(`${page.url()}: ${message.text()}`);
  });
  page.on('pageerror', (error) => errors.push(`${page.url()}: ${error.message}`));
}

// Runs `frames` held animation frames (see frameProbe); resolves to the
// steps so far.
export const releaseFrames = (page, frames) => page.evaluate((n) => window.fireworkProbe.release(n), frames);
// The probe's counts, with the number of held frame callbacks as `held`.
export const readProbe = (page) =>
  page.evaluate(() => ({...window.fireworkProbe, held: window.fireworkProbe.held.size}));

// The canvas as the page shows it, in device pixels: a PNG, base64.
export async function canvasPicture(page) {
  return (await page.$('#canvas')).screenshot({encoding: 'base64'});
}

// The canvas as the page shows it: lit pixels (any channel above 24), their
// centre in pixels from the top left, the extent of the lit area, the
// brightest pixel's smallest channel (255 for white) and the size of the
// picture in device pixels.
export async function measureCanvas(page) {
  return page.evaluate(async (data) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + data;
    await image.decode();
    const scratch = document.createElement('canvas');
    scratch.width = image.width;
    scratch.height = image.height;
    const context = scratch.getContext('2d');
    context.drawImage(image, 0, 0);
    const pixels = context.getImageData(0, 0, image.width, image.height).data;
    let lit = 0, sumX = 0, sumY = 0, whitest = 0;
    let left = image.width, right = -1, top = image.height, bottom = -1;
    for (let y = 0; y < image.height; ++y) {
      for (let x = 0; x < image.width; ++x) {
        const i = 4 * (y * image.width + x);
        if (Math.max(pixels[i], pixels[i + 1], pixels[i + 2]) <= 24) continue;
        ++lit;
        sumX += x;
        sumY += y;
        left = Math.min(left, x);
        right = Math.max(right, x);
        top = Math.min(top, y);
        bottom = Math.max(bottom, y);
        whitest = Math.max(whitest, Math.min(pixels[i], pixels[i + 1], pixels[i + 2]));
      }
    }
    return {
      lit,
      x: lit ? sumX / lit : NaN,
      y: lit ? sumY / lit : NaN,
      width: right - left + 1,
      height: bottom - top + 1,
      whitest,
      pictureWidth: image.width,
      pictureHeight: image.height,
    };
  }, await canvasPicture(page));
}

// Installed before the page's own scripts: counts animation frames and the
// program's steps (each step clears the canvas once), notes when the first
// step drew, in milliseconds from the start of navigation, and keeps the
// last viewport the program set and how many it set (its reshape handler
// sets one each time). With
// `holdFrames`, animation frames run only when the test releases them, so
// the test decides which step is on screen.
export function frameProbe(holdFrames) {
  const probe = {frames: 0, steps: 0, firstStep: null, viewport: null, reshapes: 0, held: new Map(), nextId: 1};
  window.fireworkProbe = probe;
  for (const type of [window.WebGLRenderingContext, window.WebGL2RenderingContext].filter(Boolean)) {
    const {clear, viewport} = type.prototype;
    type.prototype.clear = function (mask) {
      ++probe.steps;
      if (probe.firstStep === null) probe.firstStep = performance.now();
      return clear.call(this, mask);
    };
    type.prototype.viewport = function (...box) {
      probe.viewport = box.join(' ');
      ++probe.reshapes;
      return viewport.apply(this, box);
    };
  }
  const request = window.requestAnimationFrame.bind(window);
  let countedFrame = -1;
  const count = (time) => {
    if (time !== countedFrame) {
      countedFrame = time;
      ++probe.frames;
    }
  };
  if (!holdFrames) {
    window.requestAnimationFrame = (callback) => request((time) => {
      count(time);
      callback(time);
    });
    return;
  }
  window.requestAnimationFrame = (callback) => {
    probe.held.set(probe.nextId, callback);
    return probe.nextId++;
  };
  window.cancelAnimationFrame = (id) => probe.held.delete(id);
  // Runs `count` animation frames, each with the callbacks asked for by then.
  probe.release = (frames) => {
    for (let n = 0; n < frames; ++n) {
      const callbacks = [...probe.held.values()];
      probe.held.clear();
      const time = performance.now();
      count(time);
      for (const callback of callbacks) callback(time);
    }
    return probe.steps;
  };
}
