// player_test.mjs: <firework-player> as frameworks and editors call it.
// Seeks through a show of 1,261 steps, forwards and backwards, against
// playing there; superseded, stopped and refused seeks; properties and
// methods before definition and before connection; failures at start; no
// animation frame while paused or hidden; the page's sound following its
// elements; keys typed on a control staying the control's.
//
// usage: node player_test.mjs SITE ELEMENT
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {launchBrowser, checkList, openPage, openCanvas, pictureHash, serveElementPages, closeAll} from './browser.mjs';

const [site, element] = process.argv.slice(2);
const {check, finishClean, can} = checkList('player');
const errors = [];
const expected = []; // what a page that fails on purpose puts in its console

// Thirteen keys 97 steps apart after r at step 0.
const show = '1.R' + 'ADWSZCAWDSZCA'.split('').map((key) => key + '2p').join('');
// What a failing page's element tells, and a seek asked for as soon as it is defined.
const record = '<script>window.told = []; for (const type of ["error", "seeking", "seeked", "ready"]) ' +
  'document.addEventListener(type, (event) => told.push(event.detail ?? type), true); ' +
  'customElements.whenDefined("firework-player").then(() => (window.sought = document.querySelector(' +
  '"firework-player").seek(10).then(() => "resolved", (error) => error.name)));</script>';
const {server, folder, address} = await serveElementPages(element, {
  seek: `<firework-player autoplay show="${show}" style="width: 100%"></firework-player>`,
  early: '<firework-player id="early"></firework-player><script>Object.assign(document.getElementById("early"), ' +
    '{paused: false, speed: 0.5, show: "1.RW", currentStep: 20});</script>',
  csp: {head: '<meta http-equiv="Content-Security-Policy" content="script-src \'self\' \'unsafe-inline\'">',
    body: record + '<firework-player></firework-player>'},
  broken: {head: '<script>WebGLRenderingContext.prototype.texImage2D = () => { throw new Error("no texture"); };' +
    '</script>', body: record + '<firework-player></firework-player>'},
  idle: '<firework-player style="width: 200px; display: inline-block"></firework-player>'.repeat(3),
  sound: '<firework-player sound keys controls style="width: 480px"></firework-player>',
});
fs.cpSync(path.resolve(site), path.join(folder, 'site'), {recursive: true});
const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const outcome = '(promise) => promise.then(() => "resolved", (error) => error.name)';

let browser = await launchBrowser();
try {
  // The pictures of play, then of seeks in another order, then after an
  // edit past step 1,200 of the show.
  const steps = [3, 599, 601, 1200, 1301];
  const tab = await openCanvas(browser, address('seek.html'), 480, 360, errors);
  const played = (await tab.evaluate((list) => list.map((step) => {
    while (window.fireworkProbe.steps < step - 1) window.fireworkProbe.release(1);
    return window.stepAndPicture().toDataURL();
  }), steps)).map(pictureHash);
  const sought = await tab.evaluate(async (list, edited) => {
    const player = document.querySelector('firework-player');
    player.pause();
    const pictures = [];
    for (const step of list) pictures.push(await player.seek(step).then(() => window.pictureNow().toDataURL()));
    player.show = edited;
    const restarted = player.currentStep;
    await player.seek(1200);
    const before = window.pictureNow().toDataURL();
    await player.seek(1301);
    return {pictures, restarted, before, after: window.pictureNow().toDataURL()};
  }, [1301, 601, 3, 1200, 599], show + 'S1');
  const byStep = Object.fromEntries([1301, 601, 3, 1200, 599].map((step, i) => [step, pictureHash(sought.pictures[i])]));
  check('a seek draws the very picture of playing there, forwards or backwards, across snapshots; a new show ' +
    'restarts the run, its pictures before the edit unchanged and after it new', steps.every((step, i) =>
    byStep[step] === played[i]) && sought.restarted === 0 && pictureHash(sought.before) === played[3] &&
    pictureHash(sought.after) !== played[4], `${played} against ${JSON.stringify(byStep)}, ${sought.restarted}, ` +
    `edited ${pictureHash(sought.before)} ${pictureHash(sought.after)}`);

  // Superseded, refused, stopped: as a media element's seeks.
  const order = await tab.evaluate(async (settle) => {
    settle = eval(settle);
    const player = document.querySelector('firework-player');
    window.told = [];
    for (const type of ['seeking', 'seeked', 'error']) player.addEventListener(type, (e) => told.push(e.detail ?? type));
    const both = [settle(player.seek(100)), settle(player.seek(50))];
    const results = [...await Promise.all(both), player.currentStep];
    const refused = await Promise.all([-1, 1.5, 5184001, 'x'].map((step) => settle(player.seek(step))));
    player.currentStep = -1;
    const long = settle(player.seek(100000));
    await new Promise((resolve) => setTimeout(resolve, 50));
    player.pause();
    const stopped = [await long, player.currentStep];
    const holder = document.createElement('div');
    document.body.append(holder);
    holder.append(player); // moved: the same program at the same step
    await new Promise((resolve) => setTimeout(resolve, 100));
    const moved = player.currentStep === stopped[1] && player.shadowRoot.querySelector('[role=img]').hidden === false;
    const removed = settle(player.seek(90000));
    await new Promise((resolve) => setTimeout(resolve, 20));
    player.remove();
    return {results, refused, stopped, moved, removed: await removed, told: JSON.stringify(told)};
  }, outcome);
  check('a later seek aborts the earlier (AbortError) and wins; a bad step is a RangeError, or an error event ' +
    'when set as currentStep; pause() and removal stop a long seek; a move keeps the step',
  order.results.join() === 'AbortError,resolved,50' && order.refused.every((name) => name === 'RangeError') &&
    order.stopped[0] === 'AbortError' && order.stopped[1] > 50 && order.stopped[1] < 100000 && order.moved &&
    order.removed === 'AbortError' && /^\["seeking","seeking","seeked","seeking",\{"message":"seek takes a whole/
    .test(order.told) && order.told.includes('"fatal":false'), JSON.stringify(order));
  await tab.close();

  // Before definition (set by the page's own script) and before connection.
  const early = await openPage(browser, address('early.html'), false, errors);
  const calls = await early.evaluate(async () => {
    await customElements.whenDefined('firework-player');
    const made = document.createElement('firework-player');
    const burster = document.createElement('firework-player');
    for (const player of [made, burster, document.getElementById('early')]) player.style.width = '300px';
    made.show = '1.RAkDp';
    const landed = made.seek(30).then(() => made.currentStep);
    burster.paused = false;
    burster.burst('w');
    await new Promise((resolve) => setTimeout(resolve, 1000));
    document.body.append(made, burster);
    const at = await landed;
    await new Promise((resolve) => setTimeout(resolve, 500));
    const first = document.getElementById('early');
    return {at, picture: !made.shadowRoot.querySelector('[role=img]').hidden,
      early: [first.paused, first.speed, first.show, first.currentStep >= 20],
      burster: [burster.paused, burster.currentStep > 5, burster.recorded]};
  });
  check('set before definition, paused, speed, show and currentStep all act; before connection, a seek lands on ' +
    'its step once connected, and paused = false and burst() are kept', calls.at === 30 && calls.picture &&
    calls.early.join() === 'false,0.5,1.RW,true' && calls.burster.join() === 'false,true,1.W',
  JSON.stringify(calls));
  await early.close();

  // Failures at start: said as fatal, the children shown, seeks rejected.
  for (const [page, reason] of [['csp', /WebAssembly|wasm|eval/i], ['broken', /no texture/]]) {
    const failing = await openPage(browser, address(`${page}.html`), false, expected);
    const failure = await failing.evaluate(async () => {
      await customElements.whenDefined('firework-player');
      const sought = await window.sought;
      const after = await document.querySelector('firework-player').seek(5).catch((error) => error.name);
      return {told: window.told, sought, after,
        fallback: !document.querySelector('firework-player').shadowRoot.querySelector('[part=fallback]').hidden};
    });
    const said = failure.told.find((detail) => detail.message);
    check(`a start that fails (${page}) is a fatal error with the browser's reason; a seek asked for rejects, and ` +
      'one asked after is not supported',
      said?.fatal === true && reason.test(said.message) && failure.sought === 'AbortError' &&
        failure.after === 'NotSupportedError' && failure.fallback,
      JSON.stringify(failure));
    await failing.close();
  }

  // The site: an error elsewhere in the page leaves the firework be; a
  // letter typed on its Speed list changes only the list.
  const sitePage = await openPage(browser, address('site/index.html'), false, expected);
  await sitePage.waitForFunction(() => document.getElementById('firework').currentStep > 0, {polling: 100});
  await sitePage.evaluate(() => setTimeout(() => {
    throw new Error('elsewhere');
  }));
  await sitePage.evaluate(() => document.getElementById('speed').focus());
  await sitePage.keyboard.press('w');
  const siteState = await sitePage.evaluate(() => [document.getElementById('firework').hidden,
    document.getElementById('firework').recorded]);
  check('the site keeps its firework through another script\'s error, and a letter on its Speed list bursts ' +
    'nothing', siteState.join() === 'false,1.', JSON.stringify(siteState));
  await sitePage.close();

  // Idle: three paused elements ask for no frame; played, one does; in a
  // hidden tab none runs a step.
  const idle = await openPage(browser, address('idle.html'), false, errors);
  await idle.waitForFunction(() => [...document.querySelectorAll('firework-player')]
    .every((player) => player.currentStep === 1), {polling: 100});
  const frames = () => idle.evaluate(() => window.fireworkProbe.frames);
  const [start] = [await frames(), await wait(1000)];
  const pausedFrames = (await frames()) - start;
  await idle.evaluate(() => document.querySelector('firework-player').play());
  await wait(500);
  const playingFrames = (await frames()) - start;
  let hidden = 'left out';
  if (can('hide', 'a hidden tab runs no step')) {
    const other = await browser.newPage();
    await other.bringToFront();
    const before = await idle.evaluate(() => [document.visibilityState, document.querySelector('firework-player')
      .currentStep]);
    await wait(500);
    hidden = before[0] === 'hidden' &&
      before[1] === await idle.evaluate(() => document.querySelector('firework-player').currentStep);
    await other.close();
  }
  check('paused elements ask for no animation frame; a playing one does; a hidden tab runs no step',
    pausedFrames === 0 && playingFrames > 10 && hidden !== false, `${pausedFrames}, ${playingFrames}, ${hidden}`);
  await idle.close();

  // Sound follows the connected elements; keys on the Speed list are the list's.
  const sound = await openPage(browser, address('sound.html'), false, errors, null, () => {
    // What the elements ask of the page's audio: made, resumed, suspended.
    window.asked = [];
    window.AudioContext = class extends window.AudioContext {
      constructor(...rest) {
        super(...rest);
        window.asked.push('made');
      }
      resume() {
        window.asked.push('resume');
        return super.resume();
      }
      suspend() {
        window.asked.push('suspend');
        return super.suspend();
      }
    };
  });
  await sound.waitForFunction(() => document.querySelector('firework-player')?.currentStep > 0, {polling: 100});
  await sound.click('firework-player');
  await sound.evaluate(() => document.querySelector('firework-player').shadowRoot.querySelector('select').focus());
  await sound.keyboard.press('w');
  const heard = await sound.evaluate(async () => {
    const states = [];
    const note = () => new Promise((resolve) => setTimeout(resolve, 100)).then(() => states.push(asked.at(-1)));
    const [bare] = document.querySelectorAll('firework-player');
    const typed = bare.recorded;
    bare.burst('r');
    await note();
    bare.sound = false;
    await note();
    const added = document.createElement('firework-player');
    added.sound = true;
    document.body.append(added);
    await note();
    added.remove();
    await note();
    return {typed, states: states.join(), made: asked.filter((action) => action === 'made').length};
  });
  check('a bare element\'s burst makes the page\'s audio; turned off, it is suspended; an element added with ' +
    'sound resumes it and its removal suspends it; a letter on the Speed list bursts nothing', heard.typed === '1.' &&
    heard.made === 1 && heard.states === 'made,suspend,resume,suspend', JSON.stringify(heard));
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
