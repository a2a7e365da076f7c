// motion_test.mjs: the firework's pace in the visitor's hands. Pause and
// play by button and by Space, steps by the Step button and by ".", and
// slow motion at 1/2 and 1/4; a show paused part way and played on, stepped
// through, or run at 1/4 speed draws the pictures of an uninterrupted
// replay, step for step; burst keys act while paused; ESC disables the
// controls; with the system's reduced motion the page draws its first
// frame and waits, a show in the address too.
//
// usage: node motion_test.mjs SITE
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import path from 'node:path';
import {launchBrowser, serveFolder, checkList, openCanvas, runTo, differing, closeAll} from './browser.mjs';

const [site] = process.argv.slice(2);
const {check, finishClean, can} = checkList('motion');
const errors = [];
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
// r at step 0, a at step 20, d at step 45.
const show = '#show=1.RAkDp';
const lastStep = 60;
let browser = await launchBrowser();

const open = (address) => openCanvas(browser, address, 480, 360, errors);
const controls = (page) => page.evaluate(() => ({
  steps: window.fireworkProbe.steps,
  paused: document.getElementById('pause').getAttribute('aria-pressed'),
  stepDisabled: document.getElementById('step').disabled,
  speed: document.getElementById('speed').value,
  status: document.getElementById('status').textContent,
  hash: location.hash,
}));
const setSpeed = (page, value) => page.evaluate((stepsPerFrame) => {
  const speed = document.getElementById('speed');
  speed.value = stepsPerFrame;
  speed.dispatchEvent(new Event('change', {bubbles: true}));
}, value);

try {
  const uninterrupted = {};
  const plain = await open(url + show);
  Object.assign(uninterrupted, (await runTo(plain, lastStep, 3)).pictures);
  await plain.close();

  // Paused part way by the button, then by Space, played on by Space.
  const paused = await open(url + show);
  const pausedPictures = {};
  Object.assign(pausedPictures, (await runTo(paused, 25, 3)).pictures);
  await paused.click('#pause');
  await paused.evaluate(() => window.fireworkProbe.release(10));
  const held = await controls(paused);
  await paused.keyboard.press(' ');
  const playing = await controls(paused);
  Object.assign(pausedPictures, (await runTo(paused, 28, 3)).pictures);
  await paused.keyboard.press(' ');
  await paused.evaluate(() => window.fireworkProbe.release(3));
  const heldByKey = await controls(paused);
  await paused.keyboard.press(' ');
  Object.assign(pausedPictures, (await runTo(paused, lastStep, 3)).pictures);
  check('Pause holds the firework: no step in 10 frames, the button pressed, Step enabled; Space plays and pauses',
    held.steps === 25 && held.paused === 'true' && !held.stepDisabled && playing.paused === 'false' &&
      playing.stepDisabled && heldByKey.steps === 28 && heldByKey.paused === 'true', JSON.stringify([held, heldByKey]));
  check('a show paused part way and played on draws the uninterrupted replay\'s pictures',
    differing(pausedPictures, uninterrupted).length === 0, `differs at ${differing(pausedPictures, uninterrupted)}`);
  await paused.close();

  // Paused before the first frame, which is drawn all the same; then
  // stepped through, by the Step button and by ".", in turn.
  const stepped = await open(url + show);
  const steppedPictures = {};
  await stepped.keyboard.press(' ');
  await stepped.evaluate(() => window.fireworkProbe.release(5));
  const first = await controls(stepped);
  const byTurns = (at) => (at % 2 ? 'button' : 'key');
  Object.assign(steppedPictures, (await runTo(stepped, lastStep, 3, byTurns)).pictures);
  const afterSteps = await controls(stepped);
  check('paused from the start, the first frame is drawn and nothing more; Step and "." run one step each',
    first.steps === 1 && afterSteps.steps === lastStep, `${first.steps}, then ${afterSteps.steps} steps`);
  check('a show stepped through draws the uninterrupted replay\'s pictures',
    differing(steppedPictures, uninterrupted).length === 0, `differs at ${differing(steppedPictures, uninterrupted)}`);
  await stepped.close();

  // A quarter of the speed, then half of it across a pause.
  const slow = await open(url + show);
  const slowPictures = {};
  await setSpeed(slow, '0.25');
  const quarter = await runTo(slow, 40, 3);
  Object.assign(slowPictures, quarter.pictures);
  await setSpeed(slow, '0.5');
  await slow.keyboard.press(' ');
  await slow.keyboard.press(' ');
  const half = await runTo(slow, lastStep, 3);
  Object.assign(slowPictures, half.pictures);
  const slowEnd = await controls(slow);
  check('at 1/4 speed a step every 4th frame, at 1/2 every 2nd, and the speed survives pause and play',
    quarter.frames.slice(1).every((frames) => frames === 4) && half.frames.slice(1).every((frames) => frames === 2) &&
      slowEnd.speed === '0.5', `${quarter.frames.join(' ')}; ${half.frames.join(' ')}; speed ${slowEnd.speed}`);
  check('a show run at 1/4 speed draws the uninterrupted replay\'s pictures',
    differing(slowPictures, uninterrupted).length === 0, `differs at ${differing(slowPictures, uninterrupted)}`);

  // A burst key while paused: taken at the current step, shown from the next.
  await slow.keyboard.press(' ');
  await slow.keyboard.press('w');
  const burstPaused = await controls(slow);
  await slow.keyboard.press('Escape');
  const ended = await controls(slow);
  const disabled = await slow.evaluate(() => ['pause', 'step', 'speed']
    .map((id) => document.getElementById(id).disabled));
  check('a burst key acts while paused, recorded at the current step, which does not run',
    burstPaused.steps === lastStep && burstPaused.hash === `${show}Wf`, JSON.stringify(burstPaused));
  check('after ESC Pause, Step and Speed are disabled', disabled.every(Boolean) && ended.paused === 'true',
    JSON.stringify(disabled));
  await slow.close();

  if (can('reducedMotion', 'the system\'s reduced motion')) {
    await browser.close();
    browser = await launchBrowser({reducedMotion: true});
    const reduced = await open(url + show);
    await reduced.evaluate(() => window.fireworkProbe.release(10));
    const waiting = await controls(reduced);
    await reduced.keyboard.press(' ');
    await reduced.evaluate(() => window.fireworkProbe.release(10));
    const played = await controls(reduced);
    check('with reduced motion the page draws its first frame, with the show\'s first key, and waits, saying why',
      waiting.steps === 1 && waiting.paused === 'true' && /reduced motion/.test(waiting.status) &&
        /^Replaying/.test(waiting.status), JSON.stringify(waiting));
    check('Space then plays the show on, and the reason leaves the status line',
      played.steps === 11 && played.paused === 'false' && !/reduced motion/.test(played.status), JSON.stringify(played));
    await reduced.close();
  }
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
