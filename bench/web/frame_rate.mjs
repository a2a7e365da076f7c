// frame_rate.mjs: the firework's page against a page that only clears the
// same canvas, in headless Chromium (WebGL drawn by SwiftShader).
//
// usage: node frame_rate.mjs SITE BASELINE_FOLDER [PAIRS]
// First at the browser's own pace: animation frames and steps per second,
// and the time from navigation to the first step. Then, with the frame-rate
// limit off, PAIRS (default 5) alternating runs of 3 seconds each of the
// firework and the baseline, and the median ratio of their frame rates.
import path from 'node:path';
import {launchBrowser, serveFolder, frameProbe} from './browser.mjs';

const [site, baseline, pairs = '5'] = process.argv.slice(2);
const seconds = 3;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Frames and steps per second over `seconds`, once the page has drawn.
async function measure(browser, url) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(frameProbe, false);
  await page.goto(url);
  await page.waitForFunction(() => window.fireworkProbe.steps > 0, {timeout: 20000});
  await pause(500);
  const start = await page.evaluate(() => ({...window.fireworkProbe}));
  await pause(seconds * 1000);
  const end = await page.evaluate(() => ({...window.fireworkProbe}));
  await page.close();
  return {
    fps: (end.frames - start.frames) / seconds,
    steps: (end.steps - start.steps) / seconds,
    firstStep: end.firstStep,
  };
}

const siteServer = await serveFolder(path.resolve(site));
const baselineServer = await serveFolder(path.resolve(baseline));
const fireworkUrl = `http://127.0.0.1:${siteServer.address().port}/index.html`;
const baselineUrl = `http://127.0.0.1:${baselineServer.address().port}/clear.html`;

let browser = await launchBrowser();
const paced = [];
for (let run = 0; run < 3; ++run) paced.push(await measure(browser, fireworkUrl));
await browser.close();
console.log('At the browser\'s pace (3 runs):');
for (const run of paced) {
  console.log(`  ${run.fps.toFixed(1)} animation frames/s, ${run.steps.toFixed(1)} steps/s, ` +
    `first step ${run.firstStep.toFixed(0)} ms after navigation`);
}

browser = await launchBrowser(['--disable-frame-rate-limit', '--disable-gpu-vsync']);
const firework = [], clear = [], ratios = [];
for (let pair = 0; pair < Number(pairs); ++pair) {
  const f = (await measure(browser, fireworkUrl)).fps;
  const c = (await measure(browser, baselineUrl)).fps;
  firework.push(f);
  clear.push(c);
  ratios.push(f / c);
  console.log(`pair ${pair + 1}: firework ${f.toFixed(1)} frames/s (${(1000 / f).toFixed(2)} ms), ` +
    `clear only ${c.toFixed(1)} frames/s (${(1000 / c).toFixed(2)} ms)`);
}
await browser.close();
siteServer.close();
baselineServer.close();
console.log(`Unlimited: firework ${Math.min(...firework).toFixed(0)} to ${Math.max(...firework).toFixed(0)} frames/s, ` +
  `clear only ${Math.min(...clear).toFixed(0)} to ${Math.max(...clear).toFixed(0)}; ` +
  `median ratio firework / clear only ${median(ratios).toFixed(3)}`);
