// video_rate.mjs: how fast "Save video" renders, in frames per second, in
// headless Chromium (WebGL by SwiftShader, H.264 by its software encoder),
// beside real time (60): a show of r, then a and r again, 600 frames, with
// the live canvas at 800 x 600 and at 1600 x 1200 device pixels (the video
// at 800 x 600 and, fitted to 1920 x 1080, 1440 x 1080), with sound off and
// on, and the size said before each render beside the file's. Then the
// tab's memory (the resident size of its renderer process) at the end of
// a 30-second and of a 5-minute video at 800 x 600, each the
// show in the page's address: written into the origin's private file
// system as it renders, and, with FIREWORK_VIDEO_IN_MEMORY set, held in
// memory as in a browser without one.
//
// usage: [FIREWORK_VIDEO_IN_MEMORY=1] node video_rate.mjs SITE [rate|memory]
import fs from 'node:fs';
import path from 'node:path';
import {launchBrowser, serveFolder, openPage} from './browser.mjs';

const [site, part] = process.argv.slice(2);
const server = await serveFolder(path.resolve(site));
const address = `http://127.0.0.1:${server.address().port}/index.html`;

// The largest resident size of a Chromium renderer process, in megabytes:
// the tab's, with one tab open.
function rendererMegabytes() {
  let largest = 0;
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      if (!fs.readFileSync(`/proc/${pid}/cmdline`, 'latin1').includes('--type=renderer')) continue;
      const resident = /VmRSS:\s+(\d+) kB/.exec(fs.readFileSync(`/proc/${pid}/status`, 'latin1'));
      largest = Math.max(largest, Number(resident?.[1] ?? 0) / 1024);
    } catch {
      // a process that ended meanwhile
    }
  }
  return largest;
}

// Renders the page's video of `fragment`'s show (its length, or `frames`
// frames of the keys so far) with the live canvas `width` CSS pixels wide;
// resolves to {seconds, bytes, name, buffer, frames, megabytes}.
async function render(browser, fragment, width, withSound, frames = null) {
  // Frames held: the live firework waits while the video renders.
  const page = await openPage(browser, address + fragment, true, []);
  if (process.env.FIREWORK_VIDEO_IN_MEMORY) {
    await page.evaluate(() => delete FileSystemFileHandle.prototype.createWritable);
  }
  await page.waitForFunction((size) => window.fireworkProbe.canvas()?.width === size &&
    window.fireworkProbe.viewport === `0 0 ${size} ${size * 3 / 4}`, {timeout: 20000, polling: 100}, width);
  if (withSound) { // the Sound button works once the first frame is drawn
    await page.evaluate(() => window.fireworkProbe.release(1));
    await page.waitForFunction(() => !document.getElementById('sound').disabled, {timeout: 10000, polling: 100});
    await page.click('#sound');
  }
  // Started in the page and asked after every 2 s: a long video takes
  // longer than the driver waits for one call.
  await page.evaluate((sound, wanted) => {
    if (wanted) window.fireworkProbe.release(wanted - window.fireworkProbe.steps);
    // The show in the address, or the keys so far, as the page renders it.
    const player = document.getElementById('firework');
    const text = wanted ? player.recorded : location.hash.slice('#show='.length).split('&')[0];
    let step = 0;
    const keys = [...text.slice(2).matchAll(/([A-Z])([0-9a-z]*)/g)].map(([, key, steps]) =>
      ({key: key.toLowerCase(), step: step += steps ? parseInt(steps, 36) : 0}));
    const count = wanted ?? (keys.at(-1)?.step ?? 0) + 300;
    const start = performance.now();
    let said = null;
    const load = (src) => new Promise((resolve, reject) => Object.assign(document.head.appendChild(
      document.createElement('script')), {onload: resolve, onerror: reject, src}));
    const loaded = window.fireworkVideo ? Promise.resolve() : load('mediabunny.js').then(() => load('video.js'));
    window.rendered = loaded.then(() => fireworkVideo.renderVideo(player, keys, count, {sound,
      told: (estimate) => (said = estimate.bytes), progress: () => {}, cancelled: () => false})).then(async (video) => {
      const seconds = (performance.now() - start) / 1000;
      const file = await video.file();
      window.finished = video;
      const canvas = window.fireworkProbe.canvas();
      window.result = {seconds, bytes: file.size, said, name: file.name, buffer: `${canvas.width} x ${canvas.height}`,
        frames: count};
    });
  }, withSound, frames);
  let result;
  while (!(result = await page.evaluate(() => window.result))) await new Promise((resolve) => setTimeout(resolve, 2000));
  result.megabytes = rendererMegabytes();
  await page.evaluate(() => window.finished.remove());
  await page.close();
  return result;
}

const say = (label, result) => console.log(`${label}: ${result.frames} frames in ${result.seconds.toFixed(1)} s, ` +
  `${(result.frames / result.seconds).toFixed(0)} frames/s (${(result.frames / result.seconds / 60).toFixed(2)}x ` +
  `real time), ${result.name} of ${result.bytes} bytes (${(result.said / result.bytes).toFixed(2)}x that said ` +
  `first); the tab ${result.megabytes.toFixed(0)} MB at the end`);

if (part !== 'memory') {
  for (const scale of [1, 2]) {
    const browser = await launchBrowser({scale});
    for (const withSound of [false, true]) {
      const result = await render(browser, '#show=1.RA5kR5k', 800 * scale, withSound, 600);
      say(`canvas ${result.buffer}, sound ${withSound ? 'on' : 'off'}`, result);
    }
    await browser.close();
  }
}
if (part !== 'rate') {
  const browser = await launchBrowser();
  const where = process.env.FIREWORK_VIDEO_IN_MEMORY ? 'held in memory' : 'streamed';
  // r at step 0 and a 300 steps before the end: 30 s and 5 min.
  for (const seconds of [30, 300]) {
    const result = await render(browser, `#show=1.RA${(seconds * 60 - 300).toString(36)}`, 800, false);
    say(`${seconds} s at 800 x 600, ${where}`, result);
  }
  await browser.close();
}
server.close();
