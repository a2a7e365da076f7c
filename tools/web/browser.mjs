// browser.mjs: what the page tests, the screenshot and the frame-rate
// benchmark share: a browser of one of the three engines, a static server
// on 127.0.0.1, and a look at the canvas as it is shown.
//
// The engines, from Debian's packages, each drawing WebGL in software:
// - chromium: headless Chromium through puppeteer-core (DevTools), WebGL by
//   SwiftShader;
// - firefox: Firefox ESR through puppeteer-core (WebDriver BiDi), in a
//   window (headless it has no WebGL without a GPU), WebGL by Mesa;
// - webkit: WebKitGTK's MiniBrowser through its WebDriver (webdriver.mjs), in
//   a window, WebGL by Mesa.
// Firefox and WebKit need a display (xvfb-run). Every quirk of an engine
// stays in `engines` below, so that the tests themselves read the same for
// all three: what one cannot do under automation is in its `leavesOut`,
// which a test asks through checkList's `can`.
import crypto from 'node:crypto';
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import os from 'node:os';
import {spawn} from 'node:child_process';
import net from 'node:net';
import {createRequire} from 'node:module';
import puppeteer from 'puppeteer-core';
import {startWebDriver, initScripts, withScripts} from './webdriver.mjs';

// The engine the tests drive: FIREWORK_BROWSER, chromium by default.
export const engineName = process.env.FIREWORK_BROWSER || 'chromium';

// Firefox's preferences: WebGL in a window without a GPU, nothing from the
// network, no first-run pages.
const firefoxPrefs = (scale, webgl, reducedMotion) => ({
  'webgl.force-enabled': webgl,
  'webgl.disabled': !webgl,
  'webgl.out-of-process': false,
  'layout.css.devPixelsPerPx': String(scale),
  'browser.shell.checkDefaultBrowser': false,
  ...(reducedMotion ? {'ui.prefersReducedMotion': 1} : {}),
});

// A free port on 127.0.0.1 for WebKit's driver.
const freePort = () => new Promise((resolve) => {
  const probe = net.createServer().listen(0, '127.0.0.1', () => {
    const {port} = probe.address();
    probe.close(() => resolve(port));
  });
});

export const engines = {
  chromium: {
    binary: process.env.CHROMIUM || '/usr/bin/chromium',
    leavesOut: {},
    // The closed network here refuses Chromium's background connections, so
    // they are turned off; as root it needs --no-sandbox. Emulated device
    // scale (setViewport) leaves the canvas's size in device pixels as it
    // was, so the scale is the browser's own.
    launch: ({scale, webgl, reducedMotion, chromiumArgs, profile}) => puppeteer.launch({
      executablePath: engines.chromium.binary,
      headless: true,
      userDataDir: profile,
      // A desktop's page: wide enough for the canvas's full 800 CSS pixels.
      defaultViewport: {width: 1000, height: 1000},
      // Without WebGL, without the software renderer too: --disable-webgl
      // alone leaves WebGL to an OffscreenCanvas.
      args: ['--no-sandbox', ...(webgl ? ['--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader']
        : ['--disable-webgl', '--disable-3d-apis', '--disable-gpu', '--disable-software-rasterizer']),
        '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--disable-quic', '--window-size=1000,1400', ...(scale === 1 ? [] : [`--force-device-scale-factor=${scale}`]),
        ...(reducedMotion ? ['--force-prefers-reduced-motion'] : []), ...chromiumArgs],
    }),
  },
  firefox: {
    binary: '/usr/bin/firefox-esr',
    leavesOut: {
      touch: 'Firefox on Linux takes no touch input from WebDriver BiDi without a touch screen',
    },
    launch: ({scale, webgl, reducedMotion, profile}) => puppeteer.launch({
      browser: 'firefox',
      executablePath: engines.firefox.binary,
      headless: false,
      userDataDir: profile,
      defaultViewport: {width: 1000, height: 1000},
      extraPrefsFirefox: firefoxPrefs(scale, webgl, reducedMotion),
      env: {...process.env, LIBGL_ALWAYS_SOFTWARE: '1'},
    }),
  },
  webkit: {
    binary: '/usr/bin/WebKitWebDriver',
    leavesOut: {
      video: 'WebKitGTK\'s WebCodecs, through GStreamer, crashes its web process on this machine when asked ' +
        'for an encoder',
      phone: 'WebKitGTK\'s WebDriver emulates no phone, and MiniBrowser\'s window is no narrower than 447 CSS ' +
        'pixels; the 2x desktop checks take its CSS size x devicePixelRatio path',
      blend: 'WebKitGTK, compositing in software here, blends no canvas into the page (mix-blend-mode): ' +
        'an overlay shows its black, and WebDriver\'s screenshots leave its canvas out',
      hide: 'WebKitGTK\'s WebDriver runs one session, one window, at a time: no second tab can hide the first',
      tabs: 'WebKitGTK\'s WebDriver runs one window at a time: no second tab beside the first',
    },
    // One driver a browser, its device scale from GDK_SCALE; each page is a
    // session, a MiniBrowser window of its own. Reduced motion is GTK's
    // setting, which WebKitGTK follows: animations off, in a settings file
    // of the profile's own.
    async launch({scale, webgl, reducedMotion, profile}) {
      const port = await freePort();
      const settings = {};
      if (reducedMotion) {
        fs.mkdirSync(path.join(profile, 'gtk-3.0'));
        fs.writeFileSync(path.join(profile, 'gtk-3.0', 'settings.ini'), '[Settings]\ngtk-enable-animations=false\n');
        settings.XDG_CONFIG_HOME = profile;
      }
      const driver = spawn(engines.webkit.binary, [`--port=${port}`], {stdio: 'ignore',
        env: {...process.env, ...settings, GDK_SCALE: String(scale), LIBGL_ALWAYS_SOFTWARE: '1'}});
      const url = `http://127.0.0.1:${port}`;
      for (let tries = 0; !(await fetch(url + '/status').then((r) => r.ok, () => false)); ++tries) {
        if (tries === 100) throw new Error('WebKitWebDriver did not start');
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
      const browser = await startWebDriver(url, {
        'browserName': 'MiniBrowser',
        'webkitgtk:browserOptions': {
          binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
          args: ['--automation', `--enable-webgl=${webgl}`],
        },
      });
      const close = browser.close;
      browser.close = async () => {
        await close();
        driver.kill();
      };
      return browser;
    },
  },
};

// Starts the tested engine with a profile folder of its own, removed when
// the browser is closed: `scale` device pixels per CSS pixel, WebGL on or
// off, the system's reduced-motion setting on or off, and for Chromium
// further flags.
export async function launchBrowser({scale = 1, webgl = true, reducedMotion = false, chromiumArgs = []} = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `firework-${engineName}-`));
  const browser = await engines[engineName].launch({scale, webgl, reducedMotion, chromiumArgs, profile});
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

// A folder of its own with the element's file (firework-player.js, from
// `element`) and `pages`, paths of pages that load it beside them; removed
// with the process.
export function elementPages(element, pages) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'firework-element-pages-'));
  process.on('exit', () => fs.rmSync(folder, {recursive: true, force: true}));
  fs.copyFileSync(path.join(element, 'firework-player.js'), path.join(folder, 'firework-player.js'));
  for (const page of pages) fs.copyFileSync(page, path.join(folder, path.basename(page)));
  return folder;
}

// Pages around <firework-player>, served on 127.0.0.1 from a folder of
// their own (elementPages): each of `pages`, name: body (or {head, body}),
// becomes NAME.html, the element's script in its head. Resolves to
// {server, folder, address(file)}.
export async function serveElementPages(element, pages) {
  const folder = elementPages(element, []);
  for (const [name, page] of Object.entries(pages)) {
    const {head = '', body} = typeof page === 'string' ? {body: page} : page;
    fs.writeFileSync(path.join(folder, `${name}.html`), `<!doctype html><html lang="en"><head><meta charset="utf-8">
${head}<title>${name}</title><link rel="icon" href="data:,"><style>body { margin: 0; padding: 0 12px }</style>
<script type="module" src="firework-player.js"></script></head><body>${body}</body></html>`);
  }
  const server = await serveFolder(folder);
  return {server, folder, address: (file) => `http://127.0.0.1:${server.address().port}/${file}`};
}

// Closes what a run opened, in order: browsers and servers (their close())
// and scratch folders (paths), removed.
export async function closeAll(...things) {
  for (const thing of things) {
    if (typeof thing === 'string') fs.rmSync(thing, {recursive: true, force: true});
    else await thing?.close();
  }
}

const contentTypes = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};

// Serves `root` on 127.0.0.1 at a free port; resolves to the server.
// A page asked for with ?init=N gets the scripts webdriver.mjs keeps for
// its page N first in its head, and a cookie that brings them to every page
// its browser asks for from then on: to what the page reloads to and to
// what its service worker caches. The server's `served` maps each file
// (its path in `root`) to its size, in the order they were first asked for.
// `quiet()` resolves once no answer has been under way for 300 ms, so that
// closing the server cuts off no file the browser is still reading.
export function serveFolder(root) {
  const served = new Map();
  let underWay = 0;
  let lastEnded = Date.now();
  const server = http.createServer((request, response) => {
    ++underWay;
    response.on('close', () => {
      --underWay;
      lastEnded = Date.now();
    });
    const address = new URL(request.url, 'http://localhost');
    const relative = decodeURIComponent(address.pathname);
    const file = path.join(root, relative.endsWith('/') ? relative + 'index.html' : relative);
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    const name = path.relative(root, file);
    if (!served.has(name)) served.set(name, fs.statSync(file).size);
    const init = address.searchParams.get('init') ?? /(?:^|; )fireworkInit=(\d+)/.exec(request.headers.cookie)?.[1];
    const scripts = initScripts.get(init);
    if (scripts && address.searchParams.has('init')) response.setHeader('Set-Cookie', `fireworkInit=${init}; Path=/`);
    response.writeHead(200, {'Content-Type': contentTypes[path.extname(file)] || 'application/octet-stream'});
    if (scripts && file.endsWith('.html')) response.end(withScripts(fs.readFileSync(file, 'utf8'), scripts));
    else fs.createReadStream(file).pipe(response);
  });
  server.served = served;
  server.quiet = async () => {
    while (underWay > 0 || Date.now() - lastEnded < 300) await new Promise((resolve) => setTimeout(resolve, 50));
  };
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// A run of named checks: prints a line for each and, at the end, "N passed,
// N failed"; `label` starts every line.
// `can(feature)` tells whether the tested engine can do what a check needs
// under automation; where it cannot, it prints that the check `name` is left
// out and why.
export function checkList(label) {
  const tally = {passed: 0, failed: 0};
  label = `${label} (${engineName})`;
  tally.can = (feature, name) => {
    const reason = engines[engineName].leavesOut[feature];
    if (reason) console.log(`left out ${label}: ${name} (${reason})`);
    return !reason;
  };
  tally.check = (name, ok, detail = '') => {
    if (ok) ++tally.passed;
    else ++tally.failed;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${label}: ${name}${detail ? ' (' + detail + ')' : ''}`);
  };
  tally.finish = () => {
    console.log(`${tally.passed} passed, ${tally.failed} failed`);
    process.exit(tally.failed === 0 ? 0 : 1);
  };
  // The last check, that the browser's console took no error, then finish.
  tally.finishClean = (errors) => {
    tally.check('no error in the browser\'s console', errors.length === 0, errors.join('; '));
    tally.finish();
  };
  return tally;
}

// Opens `url` in a new tab of `browser` with frameProbe installed (see
// there for `holdFrames`); the page's console errors and uncaught errors go
// to `errors`.
// With `viewport`, the tab shows the page at that size and device emulation
// (puppeteer's setViewport) from the start; `before`, a function, runs
// before the page's scripts too.
export async function openPage(browser, url, holdFrames, errors, viewport = null, before = null) {
  const page = await browser.newPage();
  if (viewport) await page.setViewport(viewport);
  watchErrors(page, errors);
  await page.evaluateOnNewDocument(frameProbe, holdFrames);
  if (before) await page.evaluateOnNewDocument(before);
  await page.goto(url);
  return page;
}

// Closes a tab of a page that may still be registering its service worker:
// the page is left first, so that the worker's start-up ends before the tab
// does (Chromium otherwise loses the browser's session now and then, and
// the next new tab fails).
export async function closePage(page) {
  await page.goto('about:blank');
  await page.close();
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

// The canvas as the page shows it, in device pixels: a PNG, base64. It is
// taken once the browser has shown two frames more, so that the last step
// has reached the screen in every engine.
export async function canvasPicture(page) {
  await page.evaluate(() => window.fireworkProbe?.shown());
  return (await page.$('firework-player')).screenshot({encoding: 'base64'});
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
// sets one each time), and the last WebGL context made (`gl`). With
// `holdFrames`, animation frames run only when the test releases them, so
// the test decides which step is on screen; puppeteer's waitForFunction
// then polls by time (`polling: 100`), since by default it waits for
// animation frames, which are held too.
export function frameProbe(holdFrames) {
  const probe = {frames: 0, steps: 0, firstStep: null, viewport: null, reshapes: 0, held: new Map(), nextId: 1};
  window.fireworkProbe = probe;
  // The last WebGL context made: the one the page's fireworks share. Not
  // enumerable, so that the probe's counts can be sent back as they are.
  let made = null;
  Object.defineProperty(probe, 'gl', {get: () => made});
  for (const type of [window.HTMLCanvasElement, window.OffscreenCanvas].filter(Boolean)) {
    const getContext = type.prototype.getContext;
    type.prototype.getContext = function (kind, ...rest) {
      const context = getContext.call(this, kind, ...rest);
      if (kind === 'webgl' && context) made = context;
      return context;
    };
  }
  // The firework's canvas: the page's, or the one the first element shows
  // (the shared context's own, where it draws alone without a copy, is
  // over the element's).
  probe.canvas = () => document.getElementById('canvas') ??
    [...document.querySelector('firework-player')?.shadowRoot.querySelectorAll('canvas') ?? []].at(-1);
  // A 2-D canvas holding what `source` (the firework's canvas by default)
  // shows now; taken in the task that drew it.
  probe.picture = (source = probe.canvas()) => {
    const copy = document.createElement('canvas');
    [copy.width, copy.height] = [source.width, source.height];
    copy.getContext('2d').drawImage(source, 0, 0);
    return copy;
  };
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
  // For the tests' scripts in the page: a pause, a wait until `condition()`
  // holds (polled by time, as frames may be held), a promise's outcome.
  probe.pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  probe.until = async (condition) => {
    while (!condition()) await probe.pause(50);
  };
  probe.settle = (promise) => promise.then(() => 'resolved', (error) => error.name);
  const request = window.requestAnimationFrame.bind(window);
  // After the browser's next two frames, whether or not the page's are held.
  probe.shown = () => new Promise((resolve) => request(() => request(resolve)));
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

// Opens the site's page, or a page of one <firework-player> as wide as the
// site's canvas, with the canvas `width` x `height` CSS pixels, frames
// held, once the program has started and, seen to be in view, asks for
// its first frame (WebKit tells an element's view late while frames are
// held); the page, and any it reloads to,
// then offers stepAndPicture(), which runs one step and returns a 2-D
// canvas holding the picture it drew, and pictureNow(), which returns the
// picture without a step. With `errors`, the page's console
// errors go there (watchErrors).
export async function openCanvas(browser, url, width, height, errors = null) {
  const page = await browser.newPage();
  if (errors) watchErrors(page, errors);
  // The page's margin is 12 pixels a side; tall enough that the canvas is
  // limited by the width alone.
  await page.setViewport({width: width + 24, height: height + 400, deviceScaleFactor: 1});
  await page.evaluateOnNewDocument(frameProbe, true);
  await page.evaluateOnNewDocument(() => {
    window.pictureNow = () => window.fireworkProbe.picture();
    window.stepAndPicture = () => {
      window.fireworkProbe.release(1);
      return window.pictureNow();
    };
  });
  await page.goto(url);
  await page.waitForFunction((size) => {
    const canvas = window.fireworkProbe.canvas();
    return canvas && window.fireworkProbe.viewport === size && canvas.width + ' ' + canvas.height === size.slice(4) &&
      window.fireworkProbe.held.size > 0;
  }, {timeout: 20000, polling: 100}, `0 0 ${width} ${height}`);
  return page;
}

// An accessibility audit with axe-core (from the npm registry, pinned by
// package-lock.json) against the rules of WCAG 2.0, 2.1 and 2.2 at levels
// A and AA: the rules `page` breaks now, each with the elements that break
// it, or a line saying the audit found too little to check to be believed.
const axeSource = () => fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const levels = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa'];
export async function audit(page) {
  return page.evaluate(async (source, tags) => {
    if (!window.axe) (0, eval)(source);
    const {violations, passes} = await window.axe.run(document, {runOnly: {type: 'tag', values: tags}});
    const broken = violations.map((rule) => `${rule.id} (${rule.nodes.map((node) => node.target.join(' ')).join(', ')})`);
    return passes.length < 10 ? [...broken, `only ${passes.length} rules checked`] : broken;
  }, axeSource(), levels);
}

// Runs `page` (from openCanvas) on to step `until`, one step at a time
// `how`: 'frames', animation frames until a step has run; 'button', the
// Step button; 'key', "." typed on the canvas; or a function of the step
// that gives one of those. Resolves to {pictures, frames}: a hash of the
// picture of every step that is a multiple of `every` ('no step' where the
// way ran none), by step, and the frames each step took.
export async function runTo(page, until, every, how = 'frames') {
  const from = await page.evaluate(() => window.fireworkProbe.steps) + 1;
  const ways = Array.from({length: Math.max(0, until - from + 1)},
    (_, i) => (typeof how === 'function' ? how(from + i) : how));
  const {pictures, frames} = await page.evaluate((first, spacing, list) => {
    const taken = {pictures: {}, frames: []};
    list.forEach((way, i) => {
      const before = window.fireworkProbe.steps;
      let count = 0;
      if (way === 'button') {
        document.getElementById('step').click();
      } else if (way === 'key') {
        window.fireworkProbe.canvas().dispatchEvent(new KeyboardEvent('keydown', {key: '.', bubbles: true,
          composed: true, cancelable: true}));
      } else {
        for (; window.fireworkProbe.steps === before && count < 10; ++count) window.fireworkProbe.release(1);
      }
      taken.frames.push(count);
      if ((first + i) % spacing === 0) {
        taken.pictures[first + i] = window.fireworkProbe.steps === before + 1 ? window.pictureNow().toDataURL()
          : 'no step';
      }
    });
    return taken;
  }, from, every, ways);
  for (const step in pictures) pictures[step] = pictureHash(pictures[step]);
  return {pictures, frames};
}

// A short hash of a picture's data, to compare pictures by.
export const pictureHash = (data) => crypto.createHash('sha256').update(data).digest('hex').slice(0, 16);

// The steps of `one`'s pictures at which `other`'s differ (or are missing).
export const differing = (one, other) => Object.keys(one).filter((step) => one[step] !== other[step]);

// The bytes at `address` (a blob: or the page's own), fetched in `page`:
// a Buffer.
export async function fetchedInPage(page, address) {
  return Buffer.from(await page.evaluate(async (address) => {
    const bytes = new Uint8Array(await (await fetch(address)).arrayBuffer());
    let text = '';
    for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
    return btoa(text);
  }, address), 'base64');
}

// Chromium's ArrayBuffer backing stores in `page` after a garbage
// collection, in bytes: what decoded audio, snapshots and other buffers
// hold.
const cdpSessions = new WeakMap();
export async function backingStores(page) {
  if (!cdpSessions.has(page)) cdpSessions.set(page, await page.createCDPSession());
  const client = cdpSessions.get(page);
  await client.send('HeapProfiler.collectGarbage');
  return (await client.send('Runtime.getHeapUsage')).backingStorageSize ?? NaN;
}

// Run in a page (page.evaluate(watchTasks)): window.taskWatch.start()
// begins a message loop that notes the gaps between its turns, and
// taskWatch.stop() resolves, after one more turn, to the longest, in
// milliseconds: the longest the page's tasks kept it waiting.
export function watchTasks() {
  let longest = 0;
  let last = 0;
  let stop = null;
  const channel = new MessageChannel();
  channel.port1.onmessage = () => {
    const now = performance.now();
    longest = Math.max(longest, now - last);
    last = now;
    if (stop) stop(longest);
    else channel.port2.postMessage(null);
  };
  window.taskWatch = {
    start() {
      [longest, last, stop] = [0, performance.now(), null];
      channel.port2.postMessage(null);
    },
    stop: () => new Promise((resolve) => (stop = resolve)),
  };
}
