// pictures_test.mjs: the README's pictures are what the site draws now.
// Renders the preview's frames and the seven bursts again, step by step as
// make_pictures.mjs does, and compares them with the committed files,
// decoded: the burst picture's panels pixel for pixel (it is lossless), the
// preview frame by frame within what lossy WebP changes, with each frame's
// duration.
//
// usage: node pictures_test.mjs SITE DOCS
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {launchBrowser, serveFolder, checkList, openCanvas} from './browser.mjs';
import {burstPanels, bursts, burstsSize, frameDuration, panelOrigin, play, preview} from './pictures.mjs';

const [site, docs] = process.argv.slice(2);
const {check, finish} = checkList('pictures');
const base64 = (file) => fs.readFileSync(path.join(docs, file)).toString('base64');
// The largest mean difference, in levels of 255 per channel, allowed
// between a preview frame and the picture it was made from. Encoding at
// quality 50 leaves up to 2.2; the frames of a preview one step behind
// differ by up to 10.
const lossyTolerance = 3;

const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
const browser = await launchBrowser();
try {
  // The bursts, panel by panel, against the committed picture.
  const panels = await burstPanels(browser, url);
  const blank = await browser.newPage();
  const burstsResult = await blank.evaluate(async (committed, panels, origins, width, height) => {
    const load = async (source) => {
      const image = new Image();
      image.src = source;
      await image.decode();
      return image;
    };
    const picture = await load('data:image/png;base64,' + committed);
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = [picture.width, picture.height];
    const context = canvas.getContext('2d', {willReadFrequently: true});
    context.drawImage(picture, 0, 0);
    // Every pixel of a panel but its label, in the top 36 rows.
    const differing = [];
    for (const [index, panel] of panels.entries()) {
      const [x, y] = origins[index];
      const expected = context.getImageData(x, y + 36, width, height - 36).data;
      context.drawImage(await load(panel), x, y);
      const actual = context.getImageData(x, y + 36, width, height - 36).data;
      differing.push(actual.filter((value, i) => value !== expected[i]).length);
    }
    return {size: [picture.width, picture.height], differing};
  }, base64('bursts.png'), panels, [...Array(7).keys()].map(panelOrigin), bursts.width, bursts.height);
  await blank.close();
  check('docs/bursts.png holds each key\'s burst as the site draws it now',
    burstsResult.size.join() === burstsSize.join() && burstsResult.differing.every((count) => count === 0),
    `size ${burstsResult.size.join(' x ')}, differing channels per panel ${burstsResult.differing.join(', ')}`);

  // The preview, frame by frame: each step's picture against the decoded frame.
  const page = await openCanvas(browser, url, preview.width, preview.height);
  const frameCount = await page.evaluate(async (committed) => {
    const data = Uint8Array.from(atob(committed), (character) => character.charCodeAt(0));
    window.decoder = new ImageDecoder({data, type: 'image/webp'});
    await window.decoder.tracks.ready;
    return window.decoder.tracks.selectedTrack.frameCount;
  }, base64('preview.webp'));
  const steps = preview.scenes.reduce((sum, [, count]) => sum + count, 0);
  const frames = [];
  await play(page, preview.scenes, async (index) => {
    frames.push(await page.evaluate(async (index) => {
      const drawn = window.stepAndPicture();
      if (index >= window.decoder.tracks.selectedTrack.frameCount) return {difference: Infinity, duration: 0};
      const {image} = await window.decoder.decode({frameIndex: index});
      const decoded = document.createElement('canvas');
      [decoded.width, decoded.height] = [image.displayWidth, image.displayHeight];
      decoded.getContext('2d').drawImage(image, 0, 0);
      const duration = Math.round(image.duration / 1000);
      image.close();
      const read = (canvas) => canvas.getContext('2d').getImageData(0, 0, drawn.width, drawn.height).data;
      const [a, b] = [read(drawn), read(decoded)];
      let sum = 0;
      for (let i = 0; i < a.length; i += 4) {
        sum += Math.abs(a[i] - b[i]) + Math.abs(a[i + 1] - b[i + 1]) + Math.abs(a[i + 2] - b[i + 2]);
      }
      return {difference: sum / (3 * a.length / 4), duration};
    }, index));
  });
  await page.close();
  const worst = Math.max(...frames.map((frame) => frame.difference));
  const wrongDurations = frames.filter((frame, index) => frame.duration !== frameDuration(index)).length;
  check('docs/preview.webp holds one frame per step of the start-up burst, r and a, as the site draws them now',
    frameCount === steps && worst <= lossyTolerance && wrongDurations === 0,
    `${frameCount} frames for ${steps} steps, largest mean difference ${worst.toFixed(2)}, ` +
      `${wrongDurations} frames with another duration`);
} finally {
  await browser.close();
  server.close();
}
finish();
