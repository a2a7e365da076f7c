// screens_test.mjs: the firework's page on the screens people open it on,
// in headless Chromium with its device emulation, served from 127.0.0.1:
// a phone with touch and its landscape turn, a desktop at 2 device pixels
// per CSS pixel with the mouse and the keyboard, full screen and back, the
// reload with the network off after one visit, and a lost WebGL context
// that the firework resumes from in place.
//
// usage: node screens_test.mjs SITE
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import crypto from 'node:crypto';
import path from 'node:path';
import {launchBrowser, serveFolder, measureCanvas, canvasPicture, checkList, openPage, releaseFrames,
  readProbe, closeAll} from './browser.mjs';

const [site] = process.argv.slice(2);
const {check, finishClean, can} = checkList('screens');
const errors = [];
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const phone = {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true};
const desktop2x = {width: 960, height: 720, deviceScaleFactor: 2};

// The canvas in CSS pixels (its box), its drawing buffer, the viewport the
// program last set and how often, and what of the page reaches past the
// screen's right edge.
const layout = (page) => page.evaluate(() => {
  const canvas = window.fireworkProbe.canvas();
  const box = canvas.getBoundingClientRect();
  const style = getComputedStyle(document.body);
  return {
    css: [box.width, box.height],
    bottom: box.bottom - box.top,
    buffer: [canvas.width, canvas.height],
    viewport: window.fireworkProbe.viewport,
    reshapes: window.fireworkProbe.reshapes,
    dpr: devicePixelRatio,
    screen: [innerWidth, innerHeight],
    pageWidth: document.body.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight),
    sideways: document.documentElement.scrollWidth > innerWidth,
    overflowing: [...document.body.querySelectorAll('*')]
      .filter((element) => element.getBoundingClientRect().right > innerWidth + 0.5).map((element) => element.tagName),
  };
});

// Waits until the drawing buffer is the canvas's size in device pixels and
// the program has been told (its viewport is the whole buffer), then
// resolves to the layout.
async function settled(page) {
  await page.waitForFunction(() => {
    const canvas = window.fireworkProbe.canvas();
    const box = canvas.getBoundingClientRect();
    return window.fireworkProbe.viewport === `0 0 ${canvas.width} ${canvas.height}` &&
      Math.abs(canvas.width - box.width * devicePixelRatio) <= 1 &&
      Math.abs(canvas.height - box.height * devicePixelRatio) <= 1;
  }, {timeout: 20000, polling: 100}).catch(() => {});
  return layout(page);
}

// Sharp and told: the buffer is the displayed size in device pixels and the
// viewport covers it.
const sharp = (state) => state.buffer.every((size, i) => Math.abs(size - state.css[i] * state.dpr) <= 1) &&
  state.viewport === `0 0 ${state.buffer[0]} ${state.buffer[1]}`;
const fourByThree = (state) => Math.abs(state.css[1] - state.css[0] * 3 / 4) <= 1;
const show = (state) => JSON.stringify({...state, overflowing: state.overflowing.slice(0, 5)});

// A started page at `viewport`, frames held, sized and told; `fragment`
// is put after its address.
async function started(browser, viewport, fragment = '') {
  const page = await openPage(browser, url + fragment, true, errors, viewport);
  await page.waitForFunction(() => window.fireworkProbe.held.size > 0, {timeout: 20000, polling: 100});
  await settled(page);
  return page;
}

// Chromium's emulated device scale (setViewport) leaves the canvas's size
// in device pixels as it was, so each screen gets a browser that has that
// many device pixels per CSS pixel.
const browserAt = (scale) => launchBrowser({scale});

const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
let browser = null;
let state;
try {
  if (can('phone', 'the phone checks: upright, landscape and 320 pixels wide')) {
    browser = await browserAt(phone.deviceScaleFactor);
    // A phone, held upright: the page fits, the buttons fire bursts under a finger.
    const page = await started(browser, phone);
    state = await layout(page);
    check('upright phone: the canvas is as wide as the page allows, at 4:3, and nothing reaches past the screen',
      Math.abs(state.css[0] - state.pageWidth) <= 0.5 && fourByThree(state) && !state.sideways &&
        state.overflowing.length === 0, show(state));
    check('upright phone: the drawing buffer is the canvas in device pixels, and the program was told', sharp(state),
      show(state));

    const buttons = await page.$$eval('#controls button[data-key]', (list) => list.map((button) => {
      const box = button.getBoundingClientRect();
      return {key: button.dataset.key, shortcut: button.getAttribute('aria-keyshortcuts'), width: box.width,
        height: box.height, touchAction: getComputedStyle(button).touchAction};
    }));
    check('seven buttons, w s a d z c r, at least 44 x 44 CSS px, each with its key in aria-keyshortcuts and no ' +
      'double-tap zoom', buttons.map((button) => button.key).join('') === 'wsadzcr' &&
        buttons.every((button) => button.shortcut === button.key && button.width >= 44 && button.height >= 44 &&
          button.touchAction === 'manipulation'), JSON.stringify(buttons));

    const tapR = 'a tap on r brings the burst back 8 units above the middle, and double taps do not zoom';
    if (can('touch', tapR)) {
      await releaseFrames(page, 1);
      await page.tap('#firework'); // a finger on the firework itself: nothing happens, no error
      await page.tap('h1');
      await page.tap('h1');
      await page.tap('button[data-key="r"]');
      await releaseFrames(page, 5);
      const tapped = await measureCanvas(page);
      const zoom = await page.evaluate(() => visualViewport.scale);
      // r brings every particle to 8 units above the middle: 145 / 600 of the height above the centre.
      check(tapR, tapped.lit > 100 && Math.abs(tapped.x / tapped.pictureWidth - 0.5) < 0.02 &&
        Math.abs(tapped.y / tapped.pictureHeight - 155 / 600) < 0.03 && zoom === 1,
      `${JSON.stringify(tapped)}, zoom ${zoom}`);
    }

    // Turned to landscape: the whole canvas fits the screen's height.
    const reshapesUpright = state.reshapes;
    await page.setViewport({...phone, width: phone.height, height: phone.width});
    state = await settled(page);
    check('landscape phone: the whole canvas fits the screen\'s height, at 4:3, sharp, and the program was told',
      state.css[1] <= state.screen[1] && fourByThree(state) && sharp(state) && state.reshapes > reshapesUpright &&
        !state.sideways && state.overflowing.length === 0, show(state));

    // The narrowest phone in use, 320 CSS pixels: the buttons wrap, nothing scrolls sideways.
    await page.setViewport({...phone, width: 320, height: 568});
    state = await settled(page);
    check('320-pixel phone: the canvas as wide as the page, sharp, and nothing reaches past the screen',
      Math.abs(state.css[0] - state.pageWidth) <= 0.5 && fourByThree(state) && sharp(state) && !state.sideways &&
        state.overflowing.length === 0, show(state));
    await page.close();
    await browser.close();
  }
  browser = await browserAt(desktop2x.deviceScaleFactor);

  // A desktop at 2 device pixels per CSS pixel: 800 x 600 CSS pixels, a
  // buffer of 1600 x 1200. The same burst, whichever way r is given: the
  // key, the button under the mouse, the button focused from the keyboard
  // and pressed with Enter or Space, a letter typed while it has focus.
  const picture = async (give) => {
    const fresh = await started(browser, desktop2x);
    await releaseFrames(fresh, 1);
    const detail = await give(fresh);
    await releaseFrames(fresh, 5);
    const hash = crypto.createHash('sha256').update(await canvasPicture(fresh)).digest('hex');
    await fresh.close();
    return {hash, detail};
  };
  // Tabs through the firework to w ... r, then `key`; resolves to the key of the button that had focus.
  const onFocusedR = (key) => async (fresh) => {
    for (let tab = 0; tab < 8; ++tab) await fresh.keyboard.press('Tab');
    const focused = await fresh.evaluate(() => document.activeElement.dataset.key);
    await fresh.keyboard.press(key);
    return focused;
  };
  const once = await picture((fresh) => fresh.keyboard.press('r'));
  const twice = await picture(async (fresh) => {
    await fresh.keyboard.press('r');
    await fresh.keyboard.press('r');
  });
  const ways = {
    'the mouse on the r button': await picture((fresh) => fresh.click('button[data-key="r"]')),
    'Enter on the focused r button': await picture(onFocusedR('Enter')),
    'Space on the focused r button': await picture(onFocusedR(' ')),
    'r typed while the r button has focus': await picture(onFocusedR('r')),
  };
  const differ = Object.entries(ways).filter(([, way]) => way.hash !== once.hash ||
    (way.detail !== undefined && way.detail !== 'r')).map(([name, way]) => `${name}: ${way.hash === twice.hash ?
    'twice' : 'other'}${way.detail !== undefined ? ', focus on ' + way.detail : ''}`);
  check('2x desktop: the r key, the r button under the mouse, Enter or Space on it and r typed on it give one ' +
    'and the same burst', once.hash !== twice.hash && differ.length === 0, differ.join('; '));

  // Full screen and back, on the 2x desktop, at the browser's own pace.
  const live = await openPage(browser, url, false, errors, desktop2x);
  state = await settled(live);
  check('2x desktop: the canvas stays 800 x 600 CSS pixels, its buffer 1600 x 1200, the program told',
    state.css.join() === '800,600' && state.buffer.join() === '1600,1200' && sharp(state), show(state));
  await live.click('#fullscreen');
  await live.waitForFunction(() => document.fullscreenElement?.id === 'firework', {timeout: 5000}).catch(() => {});
  const full = await settled(live);
  check('full screen: the canvas fills the screen, its buffer at the screen\'s device pixels, the program told',
    full.css.join() === full.screen.join() && sharp(full) && full.reshapes > state.reshapes, show(full));
  await live.evaluate(() => document.exitFullscreen());
  const back = await settled(live);
  check('leaving full screen brings back 800 x 600 at 4:3 and tells the program again',
    back.css.join() === '800,600' && sharp(back) && back.reshapes > full.reshapes, show(back));

  const start = await readProbe(live);
  await pause(2000);
  const end = await readProbe(live);
  const frames = end.frames - start.frames, steps = end.steps - start.steps;
  check('2x desktop: one step per animation frame', frames > 10 && Math.abs(steps - frames) <= 0.05 * frames,
    `${frames} frames, ${steps} steps in 2 s`);

  await live.close();

  // A lost WebGL context: said at once, the firework holds still; when the
  // context comes back the firework goes on from the same step, and every
  // picture after that is the one an uninterrupted run draws. The run is a
  // show, r at step 10 and a at step 61: the context is lost at step 30, so
  // a restore that miscounted the steps would deliver a at another step.
  const duringShow = '#show=1.RaA1f';
  const lostAndBack = async (fresh, lose) => {
    await releaseFrames(fresh, 30);
    const report = lose ? await lose(fresh) : null;
    const hashes = [];
    for (const steps of [1, 30, 10]) {
      await releaseFrames(fresh, steps);
      hashes.push(crypto.createHash('sha256').update(await canvasPicture(fresh)).digest('hex'));
    }
    await fresh.close();
    return {hashes, report};
  };
  const statusText = (page) => page.$eval('#status', (element) => element.textContent.replace(/^Replaying.*\n?/, ''));
  const uninterrupted = await lostAndBack(await started(browser, desktop2x, duringShow));
  const interrupted = await lostAndBack(await started(browser, desktop2x, duringShow), async (fresh) => {
    await fresh.evaluate(() => {
      window.sameDocument = true;
      window.contextControl = window.fireworkProbe.gl.getExtension('WEBGL_lose_context');
      window.contextControl.loseContext();
    });
    await fresh.waitForFunction(() => /display was lost/.test(document.getElementById('status').textContent),
      {timeout: 5000}).catch(() => {});
    const lost = {status: await statusText(fresh), steps: (await readProbe(fresh)).steps};
    lost.stepsAfterFrames = await releaseFrames(fresh, 5);
    await fresh.evaluate(() => window.contextControl.restoreContext());
    await fresh.waitForFunction(() => !/display was lost/.test(document.getElementById('status').textContent),
      {timeout: 5000}).catch(() => {});
    return {...lost, back: await statusText(fresh), reloaded: await fresh.evaluate(() => !window.sameDocument)};
  });
  const lost = interrupted.report;
  check('a lost context is said at once, and the firework holds still at its step',
    /display was lost/.test(lost.status) && lost.steps === 30 && lost.stepsAfterFrames === 30, JSON.stringify(lost));
  check('when the context comes back the line goes, the page stays, and every picture after it is the ' +
    'uninterrupted run\'s', lost.back === '' && !lost.reloaded &&
      interrupted.hashes.join() === uninterrupted.hashes.join(),
    `${JSON.stringify(lost.back)}; ${interrupted.hashes.map((hash, i) => hash === uninterrupted.hashes[i]).join()}`);

  // One visit, then the network off: the page comes from the service
  // worker's cache and runs. What it loads to draw its first frame (the
  // manifest, the icons and the worker aside) stays within the goal of 80 KB.
  const offlineServer = await serveFolder(path.resolve(site));
  const offlineUrl = `http://127.0.0.1:${offlineServer.address().port}/`;
  const visit = await openPage(browser, offlineUrl, false, errors);
  const cached = await visit.evaluate(async () => {
    await navigator.serviceWorker.ready;
    return caches.keys();
  });
  // What was asked for before the first step drew: the page and the
  // resources the browser started on by then (the WebAssembly comes out of
  // firework-player.js as a data: URL, not from the network), at their sizes as
  // served.
  const early = await visit.evaluate(() => [location.pathname, ...performance.getEntriesByType('resource')
    .filter((entry) => entry.startTime < window.fireworkProbe.firstStep).map((entry) => new URL(entry.name).pathname)]);
  const loaded = [...offlineServer.served].filter(([file]) => early.some((address) =>
    address.replace(/\/$/, '/index.html') === '/' + file)).map(([file, bytes]) => `${file} ${bytes}`);
  const firstFrameBytes = loaded.reduce((sum, file) => sum + Number(file.split(' ')[1]), 0);
  check('what the page loads for its first frame stays within 80 KB',
    loaded.length >= 2 && firstFrameBytes <= 80 * 1024, `${firstFrameBytes} bytes: ${loaded.join(', ')}`);
  await offlineServer.quiet();
  offlineServer.closeAllConnections();
  offlineServer.close();
  // Reloaded with a show in the address, which no request carries.
  await visit.evaluate(() => history.replaceState(null, '', '#show=1.RAzz'));
  await visit.reload();
  await visit.waitForFunction(() => window.fireworkProbe.steps > 10, {timeout: 20000}).catch(() => {});
  const offline = await visit.evaluate(() => ({
    show: document.getElementById('status').textContent.split(':')[0],
    output: document.getElementById('output').textContent.split('\n')[0],
    steps: window.fireworkProbe.steps,
  }));
  offline.network = await fetch(offlineUrl).then(() => 'answered', () => 'off');
  check('after one visit the page opens and runs with the network off, from a cache named after the release, ' +
    'with a show in its address', cached.some((name) => /^firework-\d+\.\d+\.\d+$/.test(name)) &&
      offline.show === 'Replaying the show in the address' &&
      offline.output === 'This program will generate firework:' && offline.steps > 10 && offline.network === 'off',
    `${JSON.stringify(cached)}, ${JSON.stringify(offline)}`);
  await visit.close();
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
