// editor.mjs: how the show editor copes with the longest show the format
// holds, 10,000 cues, beside an empty show.
//
// The show has a cue every 60 to 299 steps (a fixed pseudo-random
// sequence), some 8 hours. Measured in the page, from the start of
// navigation, on a first visit in a browser of its own: when the timeline
// is first drawn with every cue. Then 60
// zooms (Ctrl+wheel) and pans (wheel) over the timeline, from the whole
// show down to single steps and back, each timed from the wheel event to
// the end of the drawing it asks for (the frame's drawing done there and
// then): the median and the longest, which is the longest the page is
// blocked by them. The goals: open within 1 s, no zoom or pan over 50 ms.
//
// usage: node editor.mjs SITE
import path from 'node:path';
import {launchBrowser, serveFolder, openPage, closeAll, engineName} from './browser.mjs';

const [site] = process.argv.slice(2);
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/editor.html`;

// A linear congruential sequence, the same every run.
let state = 11;
const next = () => (state = (state * 1103515245 + 12345) % 2147483648);
let show = '1.';
for (let cue = 0; cue < 10000; ++cue) show += 'WSADZCR'[next() % 7] + (cue ? (60 + next() % 240).toString(36) : '');

// Notes when the timeline is first drawn (the show is read before).
function watchOpening() {
  const look = () => {
    if (window.showEditor?.timeline.view.width > 0) window.opened = performance.now();
    else requestAnimationFrame(look);
  };
  requestAnimationFrame(look);
}

// In a browser of its own, so that neither show opens with what the
// other left in the browser's caches.
async function measure(text, cues) {
  const browser = await launchBrowser();
  const page = await openPage(browser, `${url}#show=${text}`, false, [], null, watchOpening);
  await page.waitForFunction(() => window.opened, {timeout: 20000, polling: 50});
  const {opened, loaded} = await page.evaluate(() => ({opened: window.opened, loaded: showEditor.doc.cues.length}));
  if (loaded !== cues) throw new Error(`the editor opened ${loaded} cues of ${cues}`);
  const times = await page.evaluate(async () => {
    const timeline = document.getElementById('timeline');
    const box = timeline.getBoundingClientRect();
    const wheel = (deltaY, ctrlKey) => new WheelEvent('wheel', {deltaY, ctrlKey, clientX: box.left + box.width / 2,
      clientY: box.top + 60, bubbles: true, cancelable: true});
    const taken = [];
    const steps = [...Array(20).fill([-120, true]), ...Array(20).fill([240, false]), ...Array(20).fill([120, true])];
    for (const [delta, zoom] of steps) {
      const start = performance.now();
      timeline.dispatchEvent(wheel(delta, zoom));
      showEditor.timeline.paint();
      taken.push(performance.now() - start);
      await new Promise((resolve) => requestAnimationFrame(resolve));
    }
    return taken.sort((a, b) => a - b);
  });
  await browser.close();
  return {opened, median: times[times.length >> 1], longest: times.at(-1)};
}

try {
  const full = await measure(show, 10000);
  const empty = await measure('1.', 0);
  const row = (name, {opened, median, longest}) => console.log(`${name.padEnd(20)} ` +
    `${opened.toFixed(0).padStart(8)} ms${median.toFixed(2).padStart(12)} ms${longest.toFixed(2).padStart(12)} ms`);
  console.log(`The show editor in ${engineName}: opened (timeline first drawn, from navigation), then 60 zooms and ` +
    'pans: median and longest');
  console.log(`${'show'.padEnd(20)} ${'opened'.padStart(11)} ${'median'.padStart(14)} ${'longest'.padStart(14)}`);
  row('10,000 cues', full);
  row('empty', empty);
  console.log(`goals: opened within 1000 ms ${full.opened < 1000 ? 'met' : 'MISSED'}; ` +
    `no zoom or pan over 50 ms ${full.longest <= 50 ? 'met' : 'MISSED'}`);
} finally {
  await closeAll(server);
}
