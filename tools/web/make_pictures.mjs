// make_pictures.mjs: the README's moving preview, DOCS/preview.webp, and
// its picture of the seven bursts, DOCS/bursts.png, from the built site
// (frames rendered by pictures.mjs). The preview is an animated WebP, one
// frame per step at 60 steps a second, encoded by img2webp (Debian's webp);
// the panels are laid out and labelled in the browser.
//
// usage: node make_pictures.mjs SITE DOCS
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {launchBrowser, serveFolder} from './browser.mjs';
import {bursts, burstPanels, burstsSize, frameDuration, panelOrigin, previewFrames} from './pictures.mjs';

const [site, docs] = process.argv.slice(2);
const png = (dataUrl) => Buffer.from(dataUrl.slice(dataUrl.indexOf(',') + 1), 'base64');
// Lossy quality of the preview's frames: the glow on black keeps well, and
// the file stays well under 1.5 MB.
const quality = 50;

const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
const browser = await launchBrowser();
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'firework-pictures-'));
try {
  const frames = await previewFrames(browser, url);
  const options = ['-loop', '0', '-lossy', '-q', String(quality), '-m', '6'];
  frames.forEach((frame, index) => {
    const file = path.join(scratch, `${String(index).padStart(4, '0')}.png`);
    fs.writeFileSync(file, png(frame));
    options.push('-d', String(frameDuration(index)), file);
  });
  const previewFile = path.join(docs, 'preview.webp');
  execFileSync('img2webp', [...options, '-o', previewFile], {stdio: ['ignore', 'ignore', 'inherit']});
  console.log(`wrote ${previewFile}: ${frames.length} frames, ${fs.statSync(previewFile).size} bytes`);

  const panels = await burstPanels(browser, url);
  const page = await browser.newPage();
  const picture = await page.evaluate(async (layout) => {
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = layout.size;
    const context = canvas.getContext('2d');
    context.fillStyle = '#333';
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.fillStyle = '#000';
    context.fillRect(...layout.origins[7], layout.width, layout.height);
    context.font = 'bold 20px sans-serif';
    context.textBaseline = 'top';
    for (const [index, [key, name]] of layout.keys.entries()) {
      const image = new Image();
      image.src = layout.panels[index];
      await image.decode();
      const [x, y] = layout.origins[index];
      context.drawImage(image, x, y);
      // The label on a dark band, readable over the particles.
      context.fillStyle = 'rgba(0, 0, 0, 0.6)';
      context.fillRect(x, y, layout.width, 36);
      context.fillStyle = '#fff';
      context.fillText(key, x + 10, y + 8);
      context.fillStyle = '#aaa';
      context.fillText(name, x + 38, y + 8);
    }
    const [x, y] = layout.origins[7];
    context.fillStyle = '#aaa';
    context.font = '18px sans-serif';
    context.fillText(layout.caption, x + 10, y + 8, layout.width - 20);
    return canvas.toDataURL('image/png');
  }, {...bursts, panels, size: burstsSize, origins: [...Array(8).keys()].map(panelOrigin)});
  const burstsFile = path.join(docs, 'bursts.png');
  fs.writeFileSync(burstsFile, png(picture));
  console.log(`wrote ${burstsFile}: ${burstsSize.join(' x ')}, ${fs.statSync(burstsFile).size} bytes`);
} finally {
  await browser.close();
  server.close();
  fs.rmSync(scratch, {recursive: true, force: true});
}
