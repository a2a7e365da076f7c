// page_screenshot.mjs: the pictures of the page in docs/, taken by headless
// Chromium from the built site served on 127.0.0.1.
//
// usage: node page_screenshot.mjs SITE DESKTOP.png PHONE.png EDITOR.png
// DESKTOP.png is the whole page on a desktop; PHONE.png what a phone (390 x
// 844 CSS pixels, 2 device pixels each, touch) shows without scrolling.
// Each waits for the start-up burst to leave the view (some 650 frames),
// presses r (on the phone, taps its button), and pictures the page 80 steps
// after it, as the desktop window's picture is. EDITOR.png is the show
// editor with the first 20 s of the built-in show, a cue selected and the
// playhead 40 steps after it.
import path from 'node:path';
import {launchBrowser, serveFolder, frameProbe} from './browser.mjs';

const [site, desktopOutput, phoneOutput, editorOutput] = process.argv.slice(2);
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;

async function picture(viewport, scale, pressR, output, fullPage) {
  const browser = await launchBrowser({scale});
  try {
    const page = await browser.newPage();
    await page.setViewport({...viewport, deviceScaleFactor: scale});
    await page.evaluateOnNewDocument(frameProbe, true);
    await page.goto(url);
    await page.waitForFunction(() => window.fireworkProbe.held.size > 0, {timeout: 20000, polling: 100});
    await page.evaluate(() => window.fireworkProbe.release(800));
    await pressR(page);
    await page.evaluate(() => window.fireworkProbe.release(80));
    await page.screenshot({path: output, fullPage});
    console.log(`wrote ${output}`);
  } finally {
    await browser.close();
  }
}

try {
  await picture({width: 900, height: 1200}, 1, (page) => page.keyboard.press('r'), desktopOutput, true);
  await picture({width: 390, height: 844, isMobile: true, hasTouch: true}, 2,
    (page) => page.tap('button[data-key="r"]'), phoneOutput, false);
  const browser = await launchBrowser();
  const page = await browser.newPage();
  await page.setViewport({width: 1000, height: 900});
  await page.goto(url.replace('index.html', 'editor.html#show=1.RS1eR3cA1eR3cD1oW3cZ50R3cC1eR3cW1eD78R3cA1oC28'));
  await page.waitForFunction(() => document.getElementById('preview').currentStep > 0, {polling: 100});
  await page.evaluate(async () => {
    preview.pause();
    const {doc} = showEditor;
    document.getElementById('timeline').focus();
    const cue = doc.cues[8];
    doc.select([cue.id]);
    doc.seek(cue.step + 40);
    await preview.seek(cue.step + 40);
  });
  await page.screenshot({path: editorOutput, fullPage: true});
  console.log(`wrote ${editorOutput}`);
  await browser.close();
} finally {
  server.close();
}
