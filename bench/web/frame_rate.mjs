// frame_rate.mjs: the firework's page against a page that only clears the
// same canvas, in headless Chromium (WebGL drawn by SwiftShader), at 1, 2
// and 3 device pixels per CSS pixel: the canvas is 800 x 600 CSS pixels
// on both pages, its drawing buffer 800 x 600 times the scale.
//
// As the desktop benchmark does, both pages are sent r every 100 animation
// frames, so that the burst stays in view and every frame draws it (the
// baseline ignores the key).
//
// Then, at 1x with the limit off, the bare page of one <firework-player>
// (element.html) alternately with the site, and the median ratio of their
// frame rates; and the frame rate of a page of 24 elements (gallery.html).
//
// usage: [FIREWORK_SCALES=1,2,3] node frame_rate.mjs SITE ELEMENT BASELINE_FOLDER [PAIRS]
//   ELEMENT holds firework-player.js; BASELINE_FOLDER, the three pages.
// At each scale: first at the browser's own pace, animation frames and
// steps per second of both pages, and the time from navigation to the
// firework's first step; then, with the frame-rate limit off, PAIRS
// (default 3) alternating runs of 3 seconds each of the firework and the
// baseline, and the median ratio of their frame rates. The browser's window
// is the pages' viewport, so that it composites no more than they show.
// With FIREWORK_EARLIER_SITE set to the site as an earlier commit built it,
// at 1x the firework is also run alternately with that site, limit off, and
// the median ratio of their frame rates given.
import path from 'node:path';
import {launchBrowser, serveFolder, frameProbe, closePage, elementPages} from './browser.mjs';

const [site, element, baseline, pairs = '3'] = process.argv.slice(2);
const earlier = process.env.FIREWORK_EARLIER_SITE;
const seconds = 3;
const viewport = {width: 840, height: 700};
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const range = (values, digits = 0) =>
  `${Math.min(...values).toFixed(digits)} to ${Math.max(...values).toFixed(digits)}`;
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Frames and steps per second over `seconds`, once the page has drawn.
async function measure(browser, url) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  await page.evaluateOnNewDocument(frameProbe, false);
  await page.evaluateOnNewDocument(() => {
    let frames = 0;
    const regenerate = () => {
      if (++frames % 100 === 0) {
        window.dispatchEvent(new KeyboardEvent('keydown', {key: 'r'}));
        for (const player of document.querySelectorAll('firework-player')) player.burst('r');
      }
      requestAnimationFrame(regenerate);
    };
    requestAnimationFrame(regenerate);
  });
  await page.goto(url);
  await page.waitForFunction(() => window.fireworkProbe.steps > 0, {timeout: 20000, polling: 100});
  await pause(500);
  const start = await page.evaluate(() => ({...window.fireworkProbe}));
  await pause(seconds * 1000);
  const end = await page.evaluate(() => ({...window.fireworkProbe, buffer: window.fireworkProbe.canvas().width}));
  await closePage(page);
  return {
    fps: (end.frames - start.frames) / seconds,
    steps: (end.steps - start.steps) / seconds,
    firstStep: end.firstStep,
    buffer: end.buffer,
  };
}

const siteServer = await serveFolder(path.resolve(site));
const baselineServer = await serveFolder(path.resolve(baseline));
const fireworkUrl = `http://127.0.0.1:${siteServer.address().port}/index.html`;
const earlierServer = earlier ? await serveFolder(path.resolve(earlier)) : null;
const baselineUrl = `http://127.0.0.1:${baselineServer.address().port}/clear.html`;
const elementServer = await serveFolder(elementPages(element, ['element.html', 'gallery.html']
  .map((page) => path.join(baseline, page))));
const elementUrl = (page) => `http://127.0.0.1:${elementServer.address().port}/${page}`;

for (const scale of (process.env.FIREWORK_SCALES || '1,2,3').split(',').map(Number)) {
  const windowSize = [`--window-size=${viewport.width},${viewport.height}`];
  let browser = await launchBrowser({scale, chromiumArgs: windowSize});
  const paced = await measure(browser, fireworkUrl);
  const pacedClear = await measure(browser, baselineUrl);
  await browser.close();
  console.log(`${scale}x (buffer ${paced.buffer} pixels wide), at the browser's pace: firework ` +
    `${paced.fps.toFixed(1)} animation frames/s, ${paced.steps.toFixed(1)} steps/s, clear only ` +
    `${pacedClear.fps.toFixed(1)} frames/s; first step ${paced.firstStep.toFixed(0)} ms after navigation`);

  browser = await launchBrowser({scale,
    chromiumArgs: [...windowSize, '--disable-frame-rate-limit', '--disable-gpu-vsync']});
  const firework = [], clear = [], ratios = [];
  for (let pair = 0; pair < Number(pairs); ++pair) {
    const f = (await measure(browser, fireworkUrl)).fps;
    const c = (await measure(browser, baselineUrl)).fps;
    firework.push(f);
    clear.push(c);
    ratios.push(f / c);
  }
  console.log(`${scale}x, limit off: firework ${range(firework)} frames/s ` +
    `(${range(firework.map((f) => 1000 / f), 2)} ms), clear only ${range(clear)} frames/s ` +
    `(${range(clear.map((c) => 1000 / c), 2)} ms); median ratio firework / clear only ${median(ratios).toFixed(3)}`);
  if (earlierServer && scale === 1) {
    const earlierUrl = `http://127.0.0.1:${earlierServer.address().port}/index.html`;
    const now = [], before = [], against = [];
    for (let pair = 0; pair < Number(pairs); ++pair) {
      now.push((await measure(browser, fireworkUrl)).fps);
      before.push((await measure(browser, earlierUrl)).fps);
      against.push(now.at(-1) / before.at(-1));
    }
    console.log(`1x, limit off: firework ${range(now)} frames/s, earlier build ${range(before)} frames/s; ` +
      `median ratio firework / earlier ${median(against).toFixed(3)}`);
  }
  if (scale === 1) {
    const page = [], one = [], against = [];
    for (let pair = 0; pair < Number(pairs); ++pair) {
      page.push((await measure(browser, fireworkUrl)).fps);
      one.push((await measure(browser, elementUrl('element.html'))).fps);
      against.push(one.at(-1) / page.at(-1));
    }
    console.log(`1x, limit off: one element ${range(one)} frames/s, the site ${range(page)} frames/s; ` +
      `median ratio element / site ${median(against).toFixed(3)}`);
    const gallery = [];
    for (let pair = 0; pair < Number(pairs); ++pair) gallery.push(await measure(browser, elementUrl('gallery.html')));
    console.log(`1x, limit off: 24 elements ${range(gallery.map((run) => run.fps))} frames/s ` +
      `(${range(gallery.map((run) => 1000 / run.fps), 2)} ms a frame), ` +
      `${range(gallery.map((run) => run.steps / run.fps))} steps a frame`);
  }
  await browser.close();
}
siteServer.close();
elementServer.close();
earlierServer?.close();
baselineServer.close();
