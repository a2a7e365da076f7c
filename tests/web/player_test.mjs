// player_test.mjs: <firework-player> as frameworks and editors call it:
// seeks after an edit, their order, calls before definition and connection,
// failures at start, idle, the page's sound and keys on its controls.
//
// usage: node player_test.mjs SITE ELEMENT
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {launchBrowser, checkList, openPage, openCanvas, serveElementPages, closeAll} from './browser.mjs';

const [site, element] = process.argv.slice(2);
const {check, finishClean, can} = checkList('player');
const [errors, expected] = [[], []]; // console errors; those of pages that fail on purpose

// Thirteen keys 97 steps apart after r at step 0; a failing page's element
// tells `told` and has a seek asked of it as soon as it is defined.
const show = '1.R' + 'ADWSZCAWDSZCA'.split('').map((key) => key + '2p').join('');
const failing = '<script>window.told = []; document.addEventListener("error", (event) => told.push(event.detail), ' +
  'true); customElements.whenDefined("firework-player").then(() => (window.sought = fireworkProbe.settle(' +
  'document.querySelector("firework-player").seek(10))));</script><firework-player></firework-player>';
const {server, folder, address} = await serveElementPages(element, {
  seek: `<firework-player autoplay show="${show}" style="width: 100%"></firework-player>`,
  early: '<firework-player id="early" style="width: 300px"></firework-player><script>Object.assign(document.' +
    'getElementById("early"), {paused: false, speed: 0.5, show: "1.RW", currentStep: 20});</script>',
  csp: {head: '<meta http-equiv="Content-Security-Policy" content="script-src \'self\' \'unsafe-inline\'">',
    body: failing},
  broken: {head: '<script>WebGLRenderingContext.prototype.texImage2D = () => { throw new Error("no texture"); };' +
    '</script>', body: failing},
  idle: '<firework-player style="width: 200px; display: inline-block"></firework-player>'.repeat(3),
  sound: '<firework-player sound keys controls style="width: 480px"></firework-player>',
});
fs.cpSync(path.resolve(site), path.join(folder, 'site'), {recursive: true});
const browser = await launchBrowser();
try {
  // An edit after step 1,261: the pictures before it stay, those after it change.
  const tab = await openCanvas(browser, address('seek.html'), 480, 360, errors);
  const edited = await tab.evaluate(async (text) => {
    const player = document.querySelector('firework-player');
    const at = (step) => player.seek(step).then(() => window.pictureNow().toDataURL());
    player.pause();
    const before = [await at(1200), await at(1301)];
    player.show = text;
    return [player.currentStep, before[0] === await at(1200), before[1] === await at(1301)].join();
  }, show + 'S1');
  check('a new show restarts the run; seeks give its pictures, unchanged before its edit and new after it',
    edited === '0,true,false', edited);

  // A show set while the element is out of the page: put back and sought,
  // it draws what it draws when the show is set while it runs.
  const putBack = await tab.evaluate(async (other) => {
    const player = document.querySelector('firework-player');
    const [text, parent] = [player.show, player.parentNode];
    const at = (step) => player.seek(step).then(() => window.pictureNow().toDataURL());
    player.show = other;
    const running = await at(2000);
    player.show = text;
    await player.seek(3000);
    player.remove();
    await window.fireworkProbe.pause(50); // out of the page: its program stopped
    player.show = other;
    parent.append(player);
    const back = await at(2000);
    player.show = text;
    return running === back;
  }, '1.WR1ja'); // r at step 1990
  check('a show set while the element is out of the page: put back, it draws that show\'s picture', putBack);

  // As a media element's: superseded, refused, stopped; and moved.
  const order = await tab.evaluate(async () => {
    const {settle, pause} = window.fireworkProbe;
    const player = document.querySelector('firework-player');
    const told = [];
    for (const type of ['seeking', 'seeked', 'error']) player.addEventListener(type, (e) => told.push(e.detail ?? type));
    const results = [...await Promise.all([settle(player.seek(100)), settle(player.seek(50))]), player.currentStep];
    const refused = await Promise.all([-1, 1.5, 5184001, 'x'].map((step) => settle(player.seek(step))));
    player.currentStep = -1;
    const long = settle(player.seek(100000));
    await pause(50);
    player.pause();
    const stopped = [await long, player.currentStep];
    document.body.append(document.createElement('div'));
    document.body.lastChild.append(player);
    await pause(100);
    const moved = player.currentStep === stopped[1] && !player.shadowRoot.querySelector('[role=img]').hidden;
    const removed = settle(player.seek(90000));
    await pause(20);
    player.remove();
    return {results, refused, stopped, moved, removed: await removed, told: JSON.stringify(told)};
  });
  check('a later seek aborts the earlier and wins; a bad step is a RangeError, as currentStep an error event; ' +
    'pause() and removal stop a long seek; a move keeps the step', order.results.join() === 'AbortError,resolved,50' &&
    order.refused.every((name) => name === 'RangeError') && order.stopped[0] === 'AbortError' &&
    order.stopped[1] > 50 && order.stopped[1] < 100000 && order.moved && order.removed === 'AbortError' &&
    /^\["seeking","seeking","seeked","seeking",\{"message":"seek takes a whole[^}]*"fatal":false\}/.test(order.told),
  JSON.stringify(order));
  await tab.close();

  // Set before definition (by the page's own script), and before insertion.
  const early = await openPage(browser, address('early.html'), false, errors);
  const calls = await early.evaluate(async () => {
    await customElements.whenDefined('firework-player');
    const [made, burster] = [document.createElement('firework-player'), document.createElement('firework-player')];
    made.style = 'width: 300px';
    Object.assign(burster, {paused: false, style: 'width: 300px'});
    const landed = made.seek(30).then(() => made.currentStep);
    burster.burst('w');
    await window.fireworkProbe.pause(1000);
    document.body.append(made, burster);
    made.show = '1.RAkDp'; // while it starts
    const at = await landed + made.recorded;
    await window.fireworkProbe.pause(500);
    const first = document.getElementById('early');
    return [at, first.paused, first.speed, first.show, first.currentStep >= 20, burster.paused,
      burster.currentStep > 5, burster.recorded].join();
  });
  check('set before definition, paused, speed, show and currentStep act; before insertion, a seek lands once ' +
    'inserted, on a show set while it starts, and paused = false and burst() are kept',
  calls === '301.RAk,false,0.5,1.RW,true,false,true,1.W', calls);
  await early.close();

  // Failures at start: fatal, with the browser's reason; seeks rejected.
  for (const [page, reason] of [['csp', /WebAssembly|wasm|eval/i], ['broken', /no texture/]]) {
    const tab = await openPage(browser, address(`${page}.html`), false, expected);
    const failure = await tab.evaluate(async () => {
      const player = document.querySelector('firework-player');
      await window.fireworkProbe.until(() => window.sought);
      return [await window.sought, await window.fireworkProbe.settle(player.seek(5)),
        !player.shadowRoot.querySelector('[part=fallback]').hidden, player.error?.message, ...window.told];
    });
    check(`a start that fails (${page}) is a fatal error with the browser's reason, kept as the element's error; ` +
      'a seek asked for rejects, and one asked after is not supported',
    failure.slice(0, 3).join() === 'AbortError,NotSupportedError,true' && failure[4]?.fatal === true &&
      reason.test(failure[4].message) && failure[3] === failure[4].message, JSON.stringify(failure));
    await tab.close();
  }

  // The site: another script's error leaves its firework be; a letter on its Speed list bursts nothing.
  const sitePage = await openPage(browser, address('site/index.html'), false, expected);
  await sitePage.waitForFunction(() => document.getElementById('firework').currentStep > 0, {polling: 100});
  await sitePage.evaluate(() => {
    window.dispatchEvent(new ErrorEvent('error', {message: 'elsewhere'})); // as another script's uncaught error
    document.getElementById('speed').focus();
  });
  await sitePage.keyboard.press('w');
  const siteState = await sitePage.evaluate(() => ['hidden', 'recorded'].map((name) => document
    .getElementById('firework')[name]).join());
  check('the site keeps its firework through another script\'s error; a letter on its Speed list bursts nothing',
    siteState === 'false,1.', siteState);
  await sitePage.close();

  // Idle: paused elements ask for no frame; played, one does; hidden, none steps.
  const idle = await openPage(browser, address('idle.html'), false, errors);
  const frames = await idle.evaluate(async () => {
    const {until, pause} = window.fireworkProbe;
    const players = [...document.querySelectorAll('firework-player')];
    await until(() => players.every((player) => player.currentStep === 1));
    const start = window.fireworkProbe.frames;
    await pause(1000);
    const paused = window.fireworkProbe.frames - start;
    players[0].play();
    await pause(500);
    return [paused, window.fireworkProbe.frames - start];
  });
  let hidden = 'left out';
  if (can('hide', 'a hidden tab runs no step')) {
    const seen = () => idle.evaluate(() => `${document.visibilityState} ${document.querySelector('firework-player')
      .currentStep}`);
    const other = await browser.newPage();
    await other.bringToFront();
    hidden = await seen();
    hidden = hidden.startsWith('hidden') && await new Promise((resolve) => setTimeout(resolve, 500)).then(seen) === hidden;
    await other.close();
  }
  check('paused elements ask for no animation frame; a playing one does; a hidden tab runs no step',
    frames[0] === 0 && frames[1] > 10 && hidden !== false, `${frames}, ${hidden}`);
  await idle.close();

  // The page's audio follows the elements; keys on the Speed list are the list's.
  const sound = await openPage(browser, address('sound.html'), false, errors, null, () => {
    window.asked = []; // made, resumed, suspended
    window.AudioContext = class extends window.AudioContext {
      constructor(...rest) {
        super(...rest);
        window.asked.push('made');
      }
      resume = () => window.asked.push('resume') && super.resume();
      suspend = () => window.asked.push('suspend') && super.suspend();
    };
  });
  await sound.waitForFunction(() => document.querySelector('firework-player')?.currentStep > 0, {polling: 100});
  await sound.click('firework-player');
  await sound.evaluate(() => document.querySelector('firework-player').shadowRoot.querySelector('select').focus());
  await sound.keyboard.press('w');
  const heard = await sound.evaluate(async () => {
    const [bare, added] = [document.querySelector('firework-player'), document.createElement('firework-player')];
    const states = [bare.recorded];
    for (const act of [() => bare.burst('r'), () => (bare.sound = false), () => document.body.append(Object.assign(
      added, {sound: true})), () => added.remove()]) {
      act();
      states.push(await window.fireworkProbe.pause(100).then(() => window.asked.at(-1)));
    }
    return [...states, window.asked.filter((action) => action === 'made').length].join();
  });
  check('a bare element\'s burst makes the page\'s audio; turned off, it is suspended; an element added with ' +
    'sound resumes it, its removal suspends it; a letter on the Speed list bursts nothing',
  heard === '1.,made,suspend,resume,suspend,1', heard);
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
