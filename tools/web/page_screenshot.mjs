// page_screenshot.mjs: the README's picture of the page, taken by headless
// Chromium from the built site served on 127.0.0.1.
//
// usage: node page_screenshot.mjs SITE OUTPUT.png
// Waits for the start-up burst to leave the view (some 650 frames), presses
// r, and takes the whole page 80 steps after it, as the desktop picture is.
import path from 'node:path';
import {launchBrowser, serveFolder, frameProbe} from './browser.mjs';

const [site, output] = process.argv.slice(2);
const server = await serveFolder(path.resolve(site));
const browser = await launchBrowser();
try {
  const page = await browser.newPage();
  await page.setViewport({width: 900, height: 1200});
  await page.evaluateOnNewDocument(frameProbe, true);
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await page.waitForFunction(() => window.fireworkProbe.held.size > 0, {timeout: 20000});
  await page.evaluate(() => window.fireworkProbe.release(800));
  await page.keyboard.press('r');
  await page.evaluate(() => window.fireworkProbe.release(80));
  await page.screenshot({path: output, fullPage: true});
  console.log(`wrote ${output}`);
} finally {
  await browser.close();
  server.close();
}
