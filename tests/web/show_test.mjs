// show_test.mjs: shows in the page's address, in headless Chromium. Keys
// pressed at uneven steps are replayed from the address in a fresh page,
// picture for picture; a replay is taken over by a key; bad shows are
// refused with their reason; Share falls back from the share sheet to the
// clipboard to the address shown; the built-in show keeps the canvas lit.
//
// usage: node show_test.mjs SITE DOCS
//   DOCS is the project's docs/, whose web.md links the built-in show.
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {pathToFileURL} from 'node:url';
import {parseShow} from './show_format.js';
import {launchBrowser, serveFolder, checkList, frameProbe, watchErrors, openCanvas, runTo as runWith,
  differing, closeAll} from './browser.mjs';

// The hashes of the pictures of `page` at every `every`th step up to `until`.
const runTo = async (page, until, every) => (await runWith(page, until, every)).pictures;

const [site, docs] = process.argv.slice(2);
const {check, finishClean} = checkList('show');
const errors = [];
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
const browser = await launchBrowser();

// A page with a 480 x 360 canvas and frames held (WebKit's window is no
// narrower than 447 CSS pixels).
const open = (address) => openCanvas(browser, address, 480, 360, errors);
const state = (page) => page.evaluate(() => ({
  hash: location.hash, status: document.getElementById('status').textContent, steps: window.fireworkProbe.steps,
  history: history.length}));
const replayNote = /^Replaying the show in the address: (\d+) keys, ([\d.]+) s\. A burst key takes it over\.$/;

try {
  // Every burst key, by keyboard and by button, two at one step, one at step 0.
  const recording = await open(url);
  const historyAtStart = (await state(recording)).history;
  const script = [[0, 'r'], [0, 'z'], [37, 'a'], [1, 'd'], [113, 's'], [58, 'c button'], [200, 'w'], [29, 'r']];
  const recorded = {};
  for (const [steps, key] of script) {
    Object.assign(recorded, await runTo(recording, (await state(recording)).steps + steps, 15));
    if (key.endsWith('button')) await recording.click(`button[data-key="${key[0]}"]`);
    else await recording.keyboard.press(key);
  }
  Object.assign(recorded, await runTo(recording, 600, 15));
  const recordedState = await state(recording);
  check('each burst key brings the address up to date, the steps since the key before in base 36, without a ' +
    'history entry', recordedState.hash === '#show=1.RZA11D1S35C1mW5kRt' && recordedState.history === historyAtStart,
  JSON.stringify(recordedState));
  await recording.close();

  const replay = await open(url + recordedState.hash);
  const replayStart = await state(replay);
  const replayed = await runTo(replay, 600, 15);
  const replayEnd = await state(replay);
  const off = differing(recorded, replayed);
  check('the address replays the show: the same picture at each of 40 steps, across all seven keys',
    Object.keys(recorded).length === 40 && new Set(Object.values(recorded)).size > 30 && off.length === 0,
    `differs at steps ${off.join(' ')}`);
  const [, keys, seconds] = replayNote.exec(replayStart.status) ?? [];
  check('while it replays the status line gives the show\'s keys and length; then the firework runs on',
    keys === '8' && seconds === '7.3' && replayEnd.status === '' && replayEnd.hash === recordedState.hash,
    `${JSON.stringify(replayStart.status)}, then ${JSON.stringify(replayEnd)}`);
  await replay.close();

  // Taken over after four of the eight keys: the rest are not played.
  const branch = await open(url + recordedState.hash);
  await runTo(branch, 100, 1000);
  await branch.keyboard.press('a');
  const branchState = await state(branch);
  const branched = await runTo(branch, 600, 15);
  await branch.close();
  const again = await open(url + branchState.hash);
  const branchOff = differing(branched, await runTo(again, 600, 15));
  await again.close();
  check('a key during a replay takes it over: the show so far and the key go to the address, which replays that',
    branchState.hash === '#show=1.RZA11D1A1q' && branchState.status === '' && branchOff.length === 0 &&
      differing(branched, replayed).length > 20, `${JSON.stringify(branchState)}, differs at ${branchOff.join(' ')}`);

  // A bad show is refused whole, and the firework starts as without one.
  const plain = await open(url);
  const unplayed = await runTo(plain, 30, 10);
  await plain.close();
  const bad = {
    '#show=1R': 'it does not start with a version number and a dot, as in #show=1.R',
    '#show=1.R%20A': 'character 4 after "show=", %, is not a key letter',
    '#show=2.R': 'it is written in version 2 of the format, and this page reads version 1',
    '#show=1.RA5A-2': 'its steps go backwards at key 3',
    '#show=1.RA5Q': 'key 3, Q, is not a burst key (W S A D Z C R)',
    '#show=1.Rzzzzzzz': 'the step of key 1 is too far off, past six digits',
    [`#show=1.${'R'.repeat(10001)}`]: 'it has more than 10,000 keys',
    [`#show=1.${'R1'.repeat(33000)}`]: 'it is longer than 64 KB',
  };
  for (const [fragment, why] of Object.entries(bad)) {
    const page = await open(url + fragment);
    const pictures = await runTo(page, 30, 10);
    const {status} = await state(page);
    check(`${fragment.slice(0, 20)}${fragment.length > 20 ? '...' : ''} is refused: ${why}`,
      status === `The show in the address could not be read: ${why}.` && differing(pictures, unplayed).length === 0,
      JSON.stringify(status));
    await page.close();
  }

  // Share: the share sheet where there is one, else the clipboard, else the
  // address shown and selected (here from file://, with the clipboard
  // refused). The share sheet and the clipboard are stand-ins that keep what
  // the page hands them.
  const shareWith = async (address, setUp) => {
    const page = await browser.newPage();
    watchErrors(page, errors);
    await page.evaluateOnNewDocument(setUp);
    await page.evaluateOnNewDocument(frameProbe, false);
    await page.goto(address);
    await page.waitForFunction(() => window.fireworkProbe.steps > 2, {timeout: 20000});
    await page.keyboard.press('s');
    await page.click('#share');
    await page.waitForFunction(() => window.shared || document.getElementById('status').textContent,
      {timeout: 5000}).catch(() => {});
    const result = await page.evaluate(() => ({shared: window.shared, href: location.href,
      status: document.getElementById('status').textContent, selected: getSelection().toString()}));
    await page.close();
    return result;
  };
  const sheet = await shareWith(url, () => {
    navigator.share = async (data) => {
      window.shared = data;
    };
  });
  check('Share hands the title and the address, with the show, to the browser\'s share sheet',
    sheet.shared?.title === 'Particle System: Firework' && sheet.shared?.url === sheet.href &&
      /#show=1\.S\w*$/.test(sheet.href), JSON.stringify(sheet));
  const clipboard = await shareWith(url, () => {
    delete Navigator.prototype.share;
    const writeText = async (text) => {
      window.shared = {copied: text};
    };
    Object.defineProperty(navigator, 'clipboard', {value: {writeText}});
  });
  check('without a share sheet, Share copies the address to the clipboard and says so',
    clipboard.shared?.copied === clipboard.href &&
      clipboard.status === 'The address of this show is copied to the clipboard.', JSON.stringify(clipboard));
  const byHand = await shareWith(pathToFileURL(path.resolve(site, 'index.html')).href, () => {
    delete Navigator.prototype.share;
    Object.defineProperty(navigator, 'clipboard', {value: {writeText: () => Promise.reject(new Error('refused'))}});
  });
  check('with neither, the status line shows the address, selected to be copied; from file:// too',
    byHand.status === `Copy the address of this show: ${byHand.href}` && byHand.selected === byHand.href &&
      byHand.href.startsWith('file:') && /#show=1\.S\w*$/.test(byHand.href), JSON.stringify(byHand));

  // The built-in show: from "Play a show", in a loop, never dark for long.
  const looping = await open(url);
  await runTo(looping, 50, 1000);
  // The page reloads: waits for a new document (the replaced address alone
  // counts as a navigation too) with its canvas sized. Asked from here again
  // and again, since a wait inside the page may end with the old document
  // and never hear of the new one (seen in Firefox).
  await looping.evaluate(() => {
    window.beforeShow = true;
  });
  await looping.click('#play-show');
  for (const end = Date.now() + 20000; ; await new Promise((resolve) => setTimeout(resolve, 100))) {
    // The new page's canvas sized, and its script run: the show loops.
    const ready = await looping.evaluate(() => !window.beforeShow && window.fireworkProbe?.viewport === '0 0 480 360' &&
      document.getElementById('firework')?.hasAttribute('loop')).catch(() => false);
    if (ready) break;
    if (Date.now() > end) {
      throw new Error('"Play a show" brought no new page with its canvas sized and its show looping in 20 s');
    }
  }
  const seen = await looping.evaluate(() => ({hash: location.hash,
    status: document.getElementById('status').textContent, steps: window.fireworkProbe.steps,
    loopSteps: Number(document.getElementById('firework').getAttribute('loop'))}));
  const show = {...parseShow(seen.hash), ...seen};
  const linked = fs.readFileSync(path.join(docs, 'web.md'), 'utf8').includes(show.hash);
  check('"Play a show" starts the built-in show afresh from its address: 30 to 60 s of all seven bursts, linked in ' +
    'docs/web.md', show.steps === 0 && show.loopSteps >= 1800 && show.loopSteps <= 3600 &&
      new Set(show.keys.map(({key}) => key)).size === 7 && linked &&
      show.status === `Playing the built-in show in a loop: ${show.keys.length} keys, ` +
        `${(show.loopSteps / 60).toFixed(1)} s a round. A burst key takes it over.`, JSON.stringify(show));
  // Lit pixels every fourth step, through the first round and, once the
  // firework has started afresh, into the second; `run` carries a dark
  // stretch over.
  const dark = (steps, run) => looping.evaluate((steps, run) => {
    let longest = run;
    for (let step = 1; step <= steps; ++step) {
      if (step % 4) {
        window.fireworkProbe.release(1);
        continue;
      }
      const pixels = window.stepAndPicture().getContext('2d').getImageData(0, 0, 480, 360).data;
      let lit = false;
      for (let i = 0; i < pixels.length && !lit; i += 4) lit = Math.max(pixels[i], pixels[i + 1], pixels[i + 2]) > 24;
      run = lit ? 0 : run + 4;
      longest = Math.max(longest, run);
    }
    return {longest, run};
  }, steps, run);
  const firstRound = await dark(show.loopSteps, 0);
  await looping.evaluate(() => {
    document.getElementById('firework').addEventListener('loop', () => (window.looped = true));
    window.fireworkProbe.release(1);
  });
  await looping.waitForFunction(() => window.looped && window.fireworkProbe.held.size > 0, {timeout: 20000,
    polling: 100});
  const secondRound = await dark(600, firstRound.run);
  const longest = Math.max(firstRound.longest, secondRound.longest);
  check('the built-in show keeps the canvas lit through a round and into the next: never 2 s without particles',
    longest <= 120, `longest dark stretch ${longest} steps`);
  await looping.keyboard.press('d');
  const taken = await looping.evaluate(() => ({hash: location.hash,
    status: document.getElementById('status').textContent, loop: document.getElementById('firework').loop}));
  Object.assign(taken, parseShow(taken.hash));
  const played = JSON.stringify(taken.keys?.slice(0, -1));
  check('a key ends the loop: the address holds this round so far and the key, and no round follows',
    played === JSON.stringify(show.keys.slice(0, taken.keys.length - 1)) && taken.keys.length > 2 &&
      taken.keys.at(-1).key === 'd' && taken.status === '' && taken.loop === false,
  `${JSON.stringify(taken.keys)}, ${JSON.stringify(taken.status)}, loop ${taken.loop}`);
  await looping.close();
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
