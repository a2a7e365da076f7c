// seek.mjs: how long <firework-player> takes to seek in a ten-minute show,
// in headless Chromium (WebGL by SwiftShader).
//
// The show is 36,000 steps of bursts, a key every 60 to 299 steps (a fixed
// pseudo-random sequence). A bare page of one paused element is given it;
// once the element has drawn and had two seconds to make its snapshots, 50
// seeks to steps drawn from the same sequence, forwards and backwards, are
// each timed from the call until the step is on the canvas. Then one step
// back from the show's end, a seek to step 100,000 with the page's longest
// task meanwhile (from a message loop that notes the gaps between its
// turns), the memory the snapshots hold (Chromium's backing stores with the
// show, less without it, each after a garbage collection), and whether a
// page of 24 paused elements runs any animation-frame callback over 5
// seconds.
//
// usage: node seek.mjs ELEMENT [SEEKS]
//   ELEMENT holds firework-player.js. With FIREWORK_EARLIER_ELEMENT set to
//   the folder of an earlier build's, the same seeks (10 unless SEEKS says
//   otherwise) are timed there too, side by side.
import {launchBrowser, serveElementPages, closePage, backingStores, watchTasks} from './browser.mjs';

const [element, seeks = '50'] = process.argv.slice(2);
const earlier = process.env.FIREWORK_EARLIER_ELEMENT;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// A linear congruential sequence, the same every run.
function* sequence(seed) {
  for (let state = seed; ;) {
    state = (state * 1103515245 + 12345) % 2147483648;
    yield state;
  }
}
const draws = sequence(7);
const keys = 'wsadzcr';
let show = '1.';
for (let step = 0, delta = 0; step < 36000; delta = 60 + (draws.next().value % 240), step += delta) {
  show += keys[draws.next().value % 7].toUpperCase() + (delta ? delta.toString(36) : '');
}
const targets = Array.from({length: 50}, () => draws.next().value % 36000);

async function measure(browser, folder, count) {
  const {server, address} = await serveElementPages(folder, {
    one: '<firework-player style="width: 480px"></firework-player>',
    many: '<firework-player style="width: 150px; display: inline-block"></firework-player>'.repeat(24),
  });
  const page = await browser.newPage();
  await page.goto(address('one.html'));
  await page.waitForFunction(() => document.querySelector('firework-player')?.currentStep > 0,
    {timeout: 20000, polling: 100});
  const before = await backingStores(page);
  await page.evaluate((text) => (document.querySelector('firework-player').show = text), show);
  await new Promise((resolve) => setTimeout(resolve, 2000));
  const withShow = await backingStores(page);
  await page.evaluate(watchTasks);
  const result = await page.evaluate(async (list) => {
    const player = document.querySelector('firework-player');
    const timed = async (step) => {
      const start = performance.now();
      await player.seek(step);
      return performance.now() - start;
    };
    const times = [];
    for (const step of list) times.push(await timed(step));
    await timed(36000);
    const back = await timed(35999);
    // The longest wait between turns of a message loop while the far seek
    // runs, its last turn after the seek included.
    taskWatch.start();
    const far = await timed(100000);
    return {times, back, far, longest: await taskWatch.stop()};
  }, targets.slice(0, count));
  await closePage(page);

  const many = await browser.newPage();
  await many.goto(address('many.html'));
  await many.waitForFunction(() => [...document.querySelectorAll('firework-player')]
    .every((player) => player.currentStep > 0), {timeout: 20000, polling: 100});
  const callbacks = await many.evaluate(async () => {
    await new Promise((resolve) => setTimeout(resolve, 500));
    let count = 0;
    const request = window.requestAnimationFrame;
    window.requestAnimationFrame = (callback) => request((time) => {
      ++count;
      callback(time);
    });
    await new Promise((resolve) => setTimeout(resolve, 5000));
    return count;
  });
  await closePage(many);
  server.close();
  return {...result, snapshots: withShow - before, callbacks};
}

const browser = await launchBrowser();
try {
  const report = (name, figures) => {
    const {times} = figures;
    console.log(`${name}: ${times.length} seeks, median ${median(times).toFixed(1)} ms, worst ` +
      `${Math.max(...times).toFixed(1)} ms; one step back from 36,000: ${figures.back.toFixed(1)} ms; ` +
      `to 100,000: ${figures.far.toFixed(0)} ms, the page's longest task meanwhile ${figures.longest.toFixed(0)} ms`);
    console.log(`${name}: snapshots of the ten-minute show ${(figures.snapshots / 1e6).toFixed(2)} MB; ` +
      `24 paused elements ran ${figures.callbacks} animation-frame callbacks in 5 s`);
  };
  report('now', await measure(browser, element, Number(seeks)));
  if (earlier) report('earlier', await measure(browser, earlier, Math.min(Number(seeks), 10)));
} finally {
  await browser.close();
}
