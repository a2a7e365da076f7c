// frame_rate.mjs: the firework's page against a page that only clears the
// same canvas (clear.html) and a page that draws the same particles
// straight into it (direct.html), in the engine of FIREWORK_BROWSER
// (browser.mjs: headless Chromium by default, WebGL drawn by SwiftShader;
// Firefox and WebKit in a window under Xvfb, WebGL drawn by Mesa), at 1, 2
// and 3 device pixels per CSS pixel in Chromium and at 1 elsewhere: the
// canvas is 800 x 600 CSS pixels on every page, its drawing buffer 800 x 600
// times the scale.
//
// As the desktop benchmark does, the pages are sent r every 100 animation
// frames, so that the burst stays in view and every frame draws it (the
// baselines ignore the key; direct.html draws the 100 frames after an r in
// turn).
//
// Then, at 1x, the bare page of one <firework-player> (element.html)
// alternately with the site, and the median ratio of their frame rates; and
// the frame rate of a page of 24 elements (gallery.html).
//
// usage: [FIREWORK_SCALES=1,2,3] node frame_rate.mjs SITE ELEMENT BASELINE_FOLDER [PAIRS]
//   ELEMENT holds firework-player.js; BASELINE_FOLDER, the four pages.
// At each scale: first at the browser's own pace, animation frames and
// steps per second of the firework and the clear-only page, and the time
// from navigation to the firework's first step; then PAIRS (default 3)
// alternating runs of 3 seconds each of the firework and each baseline, and
// the median ratio of their frame rates: in Chromium with the frame-rate
// limit off, elsewhere at the browser's pace (neither Firefox nor WebKit
// lifts it under automation), where a page that keeps up with the display
// scores 1. The browser's window is the pages' viewport, so that it
// composites no more than they show.
// With FIREWORK_EARLIER_SITE set to the site as an earlier commit built it,
// at 1x the firework is also run alternately with that site, and the median
// ratio of their frame rates given.
import path from 'node:path';
import {launchBrowser, serveFolder, frameProbe, closePage, elementPages, engineName} from './browser.mjs';

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
  await page.waitForFunction(() => window.fireworkProbe.steps > 0 && !window.recording, {timeout: 20000,
    polling: 100});
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
const elementServer = await serveFolder(elementPages(element, ['element.html', 'gallery.html', 'direct.html']
  .map((page) => path.join(baseline, page))));
const elementUrl = (page) => `http://127.0.0.1:${elementServer.address().port}/${page}`;
const chromium = engineName === 'chromium';
const pace = chromium ? 'limit off' : 'at the browser\'s pace';

// Alternating runs of the pages at `urls`, PAIRS times: each one's frame
// rates, and the median ratio of the first's to the second's.
async function alternate(browser, urls) {
  const rates = urls.map(() => []);
  for (let pair = 0; pair < Number(pairs); ++pair) {
    for (const [i, url] of urls.entries()) rates[i].push((await measure(browser, url)).fps);
  }
  return {rates, ratio: median(rates[0].map((rate, i) => rate / rates[1][i]))};
}
const rateRange = (rates) => `${range(rates)} frames/s (${range(rates.map((rate) => 1000 / rate), 2)} ms)`;

for (const scale of (process.env.FIREWORK_SCALES || (chromium ? '1,2,3' : '1')).split(',').map(Number)) {
  const windowSize = [`--window-size=${viewport.width},${viewport.height}`];
  let browser = await launchBrowser({scale, chromiumArgs: windowSize});
  const paced = await measure(browser, fireworkUrl);
  const pacedClear = await measure(browser, baselineUrl);
  if (chromium) {
    await browser.close();
    browser = await launchBrowser({scale,
      chromiumArgs: [...windowSize, '--disable-frame-rate-limit', '--disable-gpu-vsync']});
  }
  console.log(`${engineName}, ${scale}x (buffer ${paced.buffer} pixels wide), at the browser's pace: firework ` +
    `${paced.fps.toFixed(1)} animation frames/s, ${paced.steps.toFixed(1)} steps/s, clear only ` +
    `${pacedClear.fps.toFixed(1)} frames/s; first step ${paced.firstStep.toFixed(0)} ms after navigation`);

  const clear = await alternate(browser, [fireworkUrl, baselineUrl]);
  console.log(`${scale}x, ${pace}: firework ${rateRange(clear.rates[0])}, clear only ${rateRange(clear.rates[1])}; ` +
    `median ratio firework / clear only ${clear.ratio.toFixed(3)}`);
  const direct = await alternate(browser, [fireworkUrl, elementUrl('direct.html')]);
  console.log(`${scale}x, ${pace}: firework ${rateRange(direct.rates[0])}, the same particles straight into a ` +
    `canvas ${rateRange(direct.rates[1])}; median ratio firework / straight ${direct.ratio.toFixed(3)}`);
  if (earlierServer && scale === 1) {
    const earlierUrl = `http://127.0.0.1:${earlierServer.address().port}/index.html`;
    const {rates: [now, before], ratio} = await alternate(browser, [fireworkUrl, earlierUrl]);
    console.log(`1x, ${pace}: firework ${range(now)} frames/s, earlier build ${range(before)} frames/s; ` +
      `median ratio firework / earlier ${ratio.toFixed(3)}`);
  }
  if (scale === 1) {
    const {rates: [one, page], ratio} = await alternate(browser, [elementUrl('element.html'), fireworkUrl]);
    console.log(`1x, ${pace}: one element ${range(one)} frames/s, the site ${range(page)} frames/s; ` +
      `median ratio element / site ${ratio.toFixed(3)}`);
    const gallery = [];
    for (let pair = 0; pair < Number(pairs); ++pair) gallery.push(await measure(browser, elementUrl('gallery.html')));
    console.log(`1x, ${pace}: 24 elements ${range(gallery.map((run) => run.fps))} frames/s ` +
      `(${range(gallery.map((run) => 1000 / run.fps), 2)} ms a frame), ` +
      `${range(gallery.map((run) => run.steps / run.fps))} steps a frame`);
  }
  await browser.close();
}
siteServer.close();
elementServer.close();
earlierServer?.close();
baselineServer.close();
