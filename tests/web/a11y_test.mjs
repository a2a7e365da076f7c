// a11y_test.mjs: an accessibility audit of the page with axe-core (from the
// npm registry, pinned by package-lock.json) against the rules of WCAG 2.0,
// 2.1 and 2.2 at levels A and AA: as the page opens, while the firework is
// paused, and while a video renders, with its progress panel showing.
//
// usage: node a11y_test.mjs SITE
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import path from 'node:path';
import {launchBrowser, serveFolder, checkList, openCanvas, audit, closeAll} from './browser.mjs';

const [site] = process.argv.slice(2);
const {check, finishClean, can} = checkList('a11y');
const errors = [];
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
const browser = await launchBrowser();

try {
  const page = await openCanvas(browser, url, 800, 600, errors);
  await page.evaluate(() => window.fireworkProbe.release(5));
  let found = await audit(page);
  check('as the page opens, no violation of WCAG 2.2 A or AA', found.length === 0, found.join('; '));

  await page.click('#pause');
  found = await audit(page);
  check('paused, no violation of WCAG 2.2 A or AA', found.length === 0, found.join('; '));
  await page.click('#pause');

  if (can('video', 'the audit while a video renders')) {
    await page.keyboard.press('r');
    await page.evaluate(() => window.fireworkProbe.release(1200));
    await page.waitForFunction(() => !document.getElementById('save-video').disabled, {timeout: 10000,
      polling: 100});
    await page.click('#save-video');
    await page.waitForFunction(() => document.getElementById('render-progress').value > 10, {timeout: 60000,
      polling: 20});
    found = await audit(page);
    const rendering = await page.evaluate(() => !document.getElementById('rendering').hidden);
    await page.click('#render-cancel');
    check('while a video renders, its panel showing, no violation of WCAG 2.2 A or AA',
      rendering && found.length === 0, `${rendering ? 'panel shown' : 'panel gone before the audit'}; ` +
        found.join('; '));
  }
  await page.close();
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
