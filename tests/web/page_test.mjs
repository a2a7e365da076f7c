// page_test.mjs: the firework's page in headless Chromium, as a visitor
// uses it.
//
// usage: node page_test.mjs http|file SITE TEST_PAGES README
//   http: SITE served from 127.0.0.1; file: SITE opened from file://.
//   TEST_PAGES holds the same page built with a wrong-length sprite
//   (wrong-sprite/) and with none (no-sprite/); README is the project's,
//   whose key table the page repeats.
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {pathToFileURL} from 'node:url';
import {launchBrowser, serveFolder, measureCanvas, checkList, openPage as openUrl, releaseFrames as release,
  readProbe as probe} from './browser.mjs';

const [mode, site, testPages, readme] = process.argv.slice(2);

const instructions =
  'This program will generate firework:\n\n' +
  'Press R to regenerate firework\n' +
  'Press Z, C to move particles away from you or toward you\n' +
  'Press W, S, A, D to move particles up, down, left, right respectively\n' +
  'Press ESC to exit\n';
const endedText = 'The firework has ended. Reload the page to start it again.';

const checks = checkList(mode);
const check = checks.check;

let server = null;
let root = site;
if (mode === 'http') {
  // One server for the site and the test pages: both under a common root.
  root = path.dirname(path.resolve(site));
  server = await serveFolder(root);
}
function pageUrl(folder) {
  const relative = path.relative(root, path.resolve(folder)).split(path.sep).join('/');
  return mode === 'http'
    ? `http://127.0.0.1:${server.address().port}/${relative}/index.html`
    : pathToFileURL(path.join(path.resolve(folder), 'index.html')).href;
}

const consoleErrors = [];
const openPage = (browser, folder, holdFrames) => openUrl(browser, pageUrl(folder), holdFrames, consoleErrors);
const text = (page, selector) => page.$eval(selector, (element) => element.textContent);
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const browser = await launchBrowser();
try {
  // The page, one animation frame at a time: the instructions come with the first.
  const page = await openPage(browser, site, true);
  await page.waitForFunction(() => window.fireworkProbe.held.size > 0, {timeout: 20000, polling: 100});
  await release(page, 1);
  await page.waitForFunction((expected) => document.getElementById('output').textContent === expected,
    {timeout: 5000, polling: 100}, instructions).catch(() => {});
  check('the page shows the five instruction strings as the program prints them',
    (await text(page, '#output')) === instructions, JSON.stringify(await text(page, '#output')));
  check('the page is titled "Particle System: Firework"', (await page.title()) === 'Particle System: Firework');

  const keysSection = fs.readFileSync(readme, 'utf8').split('\n## Keys\n')[1].split('\n## ')[0];
  const readmeRows = keysSection.split('\n')
    .filter((line) => /^\| `[^`]+` \|/.test(line))
    .map((line) => line.split('|').slice(1, 3).map((cell) => cell.trim().replace(/`/g, '')).join(': '));
  const pageRows = await page.$$eval('#keys tbody:first-of-type tr', (rows) =>
    rows.map((row) => [...row.cells].map((cell) => cell.textContent.trim()).join(': ')));
  check('the key table is the README\'s', JSON.stringify(pageRows) === JSON.stringify(readmeRows),
    `${pageRows.length} rows on the page, ${readmeRows.length} in the README`);

  const first = await measureCanvas(page);
  // 800 squares one unit wide, all at the middle: a white disc about 18 pixels across.
  check('the first frame is one white, round glow in the middle of the canvas',
    first.lit > 100 && Math.abs(first.x - 399.5) < 2 && Math.abs(first.y - 299.5) < 2 &&
      Math.abs(first.width - first.height) <= 2 && first.width < 30 && first.whitest > 200 &&
      first.lit > 0.6 * first.width * first.height, JSON.stringify(first));
  const firstSteps = (await probe(page)).steps;
  check('the first animation frame ran exactly one step', firstSteps === 1, `${firstSteps} steps`);
  // Installing and the offline worker need a server, and come after the
  // first frame; from file:// the page asks for neither.
  const linksManifest = await page.waitForFunction(() => document.querySelector('link[rel="manifest"]'),
    {timeout: 2000, polling: 100}).then(() => true, () => false);
  check(mode === 'http' ? 'served, the page links its manifest once its first frame is drawn' :
    'from file://, the page links no manifest', linksManifest === (mode === 'http'));

  // The start-up burst is gone after some 650 steps; capitals and keys typed
  // with Ctrl or Alt bring nothing back.
  await release(page, 800);
  const gone = await measureCanvas(page);
  await page.keyboard.press('R'); // as typed with Caps Lock
  await page.keyboard.down('Shift');
  await page.keyboard.press('KeyR');
  await page.keyboard.up('Shift');
  for (const modifier of ['Control', 'Alt']) {
    await page.keyboard.down(modifier);
    await page.keyboard.press('KeyW');
    await page.keyboard.up(modifier);
  }
  await release(page, 5);
  const afterCapitals = await measureCanvas(page);
  check('R, Shift+R, Ctrl+W and Alt+W do nothing',
    gone.lit === 0 && afterCapitals.lit === 0, `before ${gone.lit}, after ${afterCapitals.lit} lit pixels`);

  await page.keyboard.press('r');
  await release(page, 5);
  const regenerated = await measureCanvas(page);
  // 8 units above the middle is 145 pixels above the centre row.
  check('r brings the burst back 8 units above the middle',
    regenerated.lit > 100 && Math.abs(regenerated.x - 399.5) < 15 && Math.abs(regenerated.y - 155) < 20,
    JSON.stringify(regenerated));

  await page.keyboard.press('Escape');
  const stepsAtEscape = (await probe(page)).steps;
  await release(page, 10);
  await page.keyboard.press('r');
  await page.click('button[data-key="r"]');
  await release(page, 10);
  const afterEscape = await probe(page);
  const buttonsOff = await page.$$eval('button[data-key]', (buttons) => buttons.every((button) => button.disabled));
  check('ESC stops the animation, and neither keys nor the burst buttons act',
    afterEscape.steps === stepsAtEscape && afterEscape.held === 0 && buttonsOff,
    `${afterEscape.steps - stepsAtEscape} steps after ESC, ${afterEscape.held} frames asked for, ` +
      `buttons ${buttonsOff ? 'disabled' : 'enabled'}`);
  check('the page says the firework has ended', (await text(page, '#status')) === endedText,
    JSON.stringify(await text(page, '#status')));
  await page.close();

  // The page at the browser's own pace: one step per animation frame.
  const live = await openPage(browser, site, false);
  await live.waitForFunction(() => window.fireworkProbe.steps > 0, {timeout: 20000});
  const start = await probe(live);
  await pause(4000);
  const end = await probe(live);
  const frames = end.frames - start.frames;
  const steps = end.steps - start.steps;
  check('steps per second equal animation frames per second within 5 %',
    frames > 20 && Math.abs(steps - frames) <= 0.05 * frames,
    `${(frames / 4).toFixed(1)} frames/s, ${(steps / 4).toFixed(1)} steps/s, first step ${end.firstStep.toFixed(0)} ms ` +
      'after navigation');
  await live.close();

  // What goes wrong is said on the page, in place of the firework.
  for (const [folder, reason] of [['wrong-sprite', 'wrong file length'], ['no-sprite', 'cannot open file']]) {
    const failing = await openPage(browser, path.join(testPages, folder), false);
    await failing.waitForFunction(() => document.getElementById('status').textContent !== '', {timeout: 20000})
      .catch(() => {});
    await pause(200);
    const status = await text(failing, '#status');
    const lines = status.split('\n').filter((line) => line.startsWith('firework:'));
    check(`a ${folder.replace('-', ' ')} shows the program's one error line`,
      lines.length === 1 && lines[0].includes(`particle.bmp (${reason})`) &&
        (await failing.$eval('#firework', (player) => player.hidden)),
      JSON.stringify(status));
    await failing.close();
  }
} finally {
  await browser.close();
}

const withoutWebgl = await launchBrowser({webgl: false});
try {
  const page = await openPage(withoutWebgl, site, false);
  await pause(500);
  const status = await text(page, '#status');
  check('a browser without WebGL is told the firework needs it',
    /needs WebGL/.test(status) && (await page.$eval('#firework', (player) => player.hidden)), JSON.stringify(status));
} finally {
  await withoutWebgl.close();
}
server?.close();

checks.finishClean(consoleErrors);
