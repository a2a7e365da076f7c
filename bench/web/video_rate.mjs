// video_rate.mjs: how fast "Save video" renders, in frames per second, in
// headless Chromium (WebGL by SwiftShader, H.264 by its software encoder),
// beside real time (60): a show of r, then a and r again, 600 frames, with
// the live canvas at 800 x 600 and at 1600 x 1200 device pixels (the video
// at 800 x 600 and, fitted to 1920 x 1080, 1440 x 1080), with sound off and
// on.
//
// usage: node video_rate.mjs SITE
import path from 'node:path';
import {launchBrowser, serveFolder, openPage} from './browser.mjs';

const [site] = process.argv.slice(2);
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html#show=1.RA5kR5k`;

for (const scale of [1, 2]) {
  const browser = await launchBrowser({scale});
  for (const withSound of [false, true]) {
    // Frames held: the live firework waits while the video renders.
    const page = await openPage(browser, url, true, []);
    await page.waitForFunction((width) => window.fireworkProbe.canvas()?.width === width &&
      window.fireworkProbe.viewport === `0 0 ${width} ${width * 3 / 4}`, {timeout: 20000, polling: 100}, 800 * scale);
    if (withSound) { // the Sound button works once the first frame is drawn
      await page.evaluate(() => window.fireworkProbe.release(1));
      await page.waitForFunction(() => !document.getElementById('sound').disabled, {timeout: 10000, polling: 100});
      await page.click('#sound');
    }
    const result = await page.evaluate(async (sound) => {
      window.fireworkProbe.release(600 - window.fireworkProbe.steps);
      const keys = showToRender().keys;
      const start = performance.now();
      await loadVideo();
      const file = await renderVideo(player, keys, 600, sound, () => {}, () => false);
      const seconds = (performance.now() - start) / 1000;
      const canvas = window.fireworkProbe.canvas();
      return {seconds, bytes: file.size, name: file.name, buffer: `${canvas.width} x ${canvas.height}`};
    }, withSound);
    console.log(`canvas ${result.buffer}, sound ${withSound ? 'on' : 'off'}: 600 frames in ` +
      `${result.seconds.toFixed(1)} s, ${(600 / result.seconds).toFixed(0)} frames/s ` +
      `(${(600 / result.seconds / 60).toFixed(2)}x real time), ${result.name} of ${result.bytes} bytes`);
    await page.close();
  }
  await browser.close();
}
server.close();
