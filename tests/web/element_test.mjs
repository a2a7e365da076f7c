// element_test.mjs: <firework-player> in pages of its own, as an embedding
// site uses it. Its attributes, properties and events; its frames against
// the site's at the same steps, reached by playing, stepping and seeking;
// 24 elements on one page; an element added and removed 100 times; one over
// a coloured page; one out of view; reduced motion; and each bad input.
//
// usage: node element_test.mjs SITE ELEMENT
//   ELEMENT is the folder that holds firework-player.js.
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {launchBrowser, checkList, openPage, openCanvas, audit, pictureHash, serveElementPages, closeAll}
  from './browser.mjs';

const [site, element] = process.argv.slice(2);
const {check, finishClean, can} = checkList('element');
const errors = [];

// The pages, each a few lines of HTML around the element, in a folder with
// the element's file and the site. The long show's keys run to step 1,112,
// past the element's snapshots at 600 and 1,200.
const longShow = '1.RAkDp' + 'WSZCAWDSZCA'.split('').map((key) => key + '2p').join('');
const {server, folder, address} = await serveElementPages(element, {
  // As wide as the site's canvas in openCanvas's window, 12 pixels a side.
  exact: `<firework-player autoplay show="${longShow}" style="width: 100%"></firework-player>`,
  api: '<firework-player show="1.RAkDp" controls keys label="Launch" style="width: 480px">' +
    '<p id="fallback">A firework</p></firework-player>',
  many: Array.from({length: 24}, (_, i) => `<firework-player autoplay show="1.R${i ? i.toString(36) : ''}" ` +
    'style="width: 150px; display: inline-block"></firework-player>').join(''),
  empty: '<div id="holder"></div>',
  alone: '<firework-player autoplay show="1.R" style="width: 400px"></firework-player><div id="holder"></div>',
  controls: '<h1>Shows</h1>' + ['1.RA1eA', '1.WS1eD', '1.CZ1eR'].map((show, i) => `<firework-player show="${show}" ` +
    `controls keys label="Show ${i + 1}" style="width: 400px"></firework-player>`).join(''),
  transparent: '<style>body { background: rgb(40, 80, 120) }</style>' +
    '<firework-player autoplay transparent style="width: 400px"></firework-player><p id="under">under</p>' +
    '<firework-player transparent controls loop show="1.RA1" style="width: 400px"></firework-player>',
  away: '<div style="height: 3000px"></div><firework-player autoplay style="width: 400px"></firework-player>',
});
fs.cpSync(path.resolve(site), path.join(folder, 'site'), {recursive: true});

// Installed before the page: the events of every element and the WebGL
// contexts made and lost.
function recordEvents() {
  window.fireworkEvents = [];
  window.fireworkContexts = {made: 0, lost: 0, restored: 0, released: 0, last: null, compiled: 0};
  const compile = WebAssembly.compile;
  WebAssembly.compile = (...rest) => ++window.fireworkContexts.compiled && compile.apply(WebAssembly, rest);
  for (const type of ['ready', 'play', 'pause', 'burst', 'loop', 'ended', 'error', 'webglcontextlost',
    'webglcontextrestored', 'seeking', 'seeked']) {
    document.addEventListener(type, (event) => {
      if (event.target.localName === 'firework-player') {
        window.fireworkEvents.push(event.detail ? {type, ...event.detail} : {type});
      }
    }, true);
  }
  for (const type of [window.HTMLCanvasElement, window.OffscreenCanvas].filter(Boolean)) {
    const getContext = type.prototype.getContext;
    type.prototype.getContext = function (kind, ...rest) {
      const known = this.fireworkKnown;
      const context = getContext.call(this, kind, ...rest);
      if (context && kind === 'webgl' && !known) {
        this.fireworkKnown = true;
        ++window.fireworkContexts.made;
        this.addEventListener('webglcontextlost', () => ++window.fireworkContexts.lost);
        this.addEventListener('webglcontextrestored', () => ++window.fireworkContexts.restored);
        const lose = context.getExtension('WEBGL_lose_context');
        window.fireworkContexts.last = lose;
        const loseContext = lose.loseContext.bind(lose);
        lose.loseContext = () => {
          ++window.fireworkContexts.released;
          loseContext();
        };
      }
      return context;
    };
  }
}
const open = async (page, options = {}) => {
  const tab = await openPage(browser, address(`${page}.html`), false, errors, options.viewport, recordEvents);
  await tab.waitForFunction(() => customElements.get('firework-player'), {timeout: 20000, polling: 100});
  return tab;
};
const events = (tab) => tab.evaluate(() => window.fireworkEvents.splice(0));
const waitFor = (tab, condition, arg) => tab.waitForFunction(condition, {timeout: 20000, polling: 100}, arg)
  .then(() => true, () => false);

let browser = await launchBrowser();
try {
  // The attributes and events: an element with a show, paused until asked.
  const api = await open('api');
  await waitFor(api, () => window.fireworkEvents.some((event) => event.type === 'ready'));
  const start = await api.evaluate(() => {
    const player = document.querySelector('firework-player');
    const picture = player.shadowRoot.querySelector('[role=img]');
    return {step: player.currentStep, paused: player.paused, label: picture.getAttribute('aria-label'),
      fallbackShown: player.shadowRoot.querySelector('[part=fallback]').hidden === false,
      controls: player.shadowRoot.querySelectorAll('[part=controls] button').length,
      mirrored: [player.show, player.controls, player.keys, player.autoplay, player.speed, player.loop]};
  });
  check('without autoplay the element draws its first frame and waits; its name is its label, its controls ' +
    'show and its children do not', start.step === 1 && start.paused && start.label === 'Launch' &&
      !start.fallbackShown && start.controls === 9 &&
      JSON.stringify(start.mirrored) === '["1.RAkDp",true,true,false,1,false]', JSON.stringify(start));
  await api.evaluate(() => {
    const player = document.querySelector('firework-player');
    player.play();
    player.speed = 0.5;
    player.loop = 100;
  });
  const moved = await waitFor(api, () => document.querySelector('firework-player').currentStep > 50);
  await api.evaluate(() => {
    const player = document.querySelector('firework-player');
    player.pause();
    player.burst('w');
  });
  await api.evaluate(() => document.querySelector('firework-player').step());
  const afterBurst = await api.evaluate(() => {
    const player = document.querySelector('firework-player');
    return {step: player.currentStep, recorded: player.recorded, attributes: [player.getAttribute('speed'),
      player.getAttribute('loop')]};
  });
  const seen = await events(api);
  const bursts = seen.filter((event) => event.type === 'burst');
  check('play, pause, speed, loop and burst act and are heard: the show\'s keys (fromShow) and the burst at their ' +
    'steps, ' +
    'in `recorded` too', moved && bursts.length === 4 && bursts[0].key === 'r' && bursts[0].step === 0 &&
      bursts[1].step === 20 && bursts[2].step === 45 && bursts[3].key === 'w' &&
      bursts.map((burst) => burst.fromShow).join() === 'true,true,true,false' &&
      afterBurst.recorded === `1.RAkDpW${(bursts[3].step - 45).toString(36)}` &&
      seen.some((event) => event.type === 'play') && seen.some((event) => event.type === 'pause') &&
      afterBurst.attributes.join() === '0.5,100', `${JSON.stringify(afterBurst)} ${JSON.stringify(seen)}`);
  await api.evaluate(() => document.querySelector('firework-player').play());
  const looped = await waitFor(api, () => window.fireworkEvents.some((event) => event.type === 'loop') &&
    document.querySelector('firework-player').currentStep > 0);
  const afterLoop = await api.evaluate(() => document.querySelector('firework-player').recorded);
  check('loop="100" starts the show over at step 100, from a fresh start', looped && afterLoop.startsWith('1.R'),
    afterLoop);

  // Keys reach the program only with `keys`, and Space pauses.
  await api.evaluate(() => document.querySelector('firework-player').pause());
  await api.evaluate(() => document.querySelector('firework-player').focus());
  await api.keyboard.press('s');
  await api.keyboard.press(' ');
  const withKeys = await api.evaluate(() => ({recorded: document.querySelector('firework-player').recorded,
    paused: document.querySelector('firework-player').paused}));
  await api.evaluate(() => {
    document.querySelector('firework-player').keys = false;
    document.querySelector('firework-player').shadowRoot.querySelector('[data-do=step]').focus();
  });
  await api.keyboard.press('d');
  const withoutKeys = await api.evaluate(() => document.querySelector('firework-player').recorded);
  check('with keys a burst key and Space reach it; without, no key does', /S[0-9a-z]*$/.test(withKeys.recorded) &&
    !withKeys.paused && withoutKeys === withKeys.recorded, `${JSON.stringify(withKeys)} ${withoutKeys}`);

  // Bad input: a clear answer, and nothing else breaks.
  const bad = await api.evaluate(() => {
    const player = document.querySelector('firework-player');
    window.fireworkEvents.length = 0;
    player.speed = 3;
    player.setAttribute('loop', 'often');
    let thrown = '';
    try {
      player.burst('x');
    } catch (error) {
      thrown = error.name;
    }
    player.show = '1.RQ';
    return {speed: player.speed, attribute: player.getAttribute('speed'), loop: player.loop, thrown};
  });
  const badEvents = (await events(api)).filter((event) => event.type === 'error').map((event) => event.message);
  const runsOn = await waitFor(api, () => document.querySelector('firework-player').currentStep > 0);
  check('a speed or loop out of range, an unreadable show and burst(\'x\'): an error event each, a RangeError, ' +
    'values as they were, and the element runs without the show', bad.speed === 0.5 && bad.attribute === '0.5' &&
      bad.loop === 100 && bad.thrown === 'RangeError' && badEvents.length === 3 &&
      /speed/.test(badEvents[0]) && /loop/.test(badEvents[1]) &&
      badEvents[2] === 'The show could not be read: key 2, Q, is not a burst key (W S A D Z C R).' && runsOn,
    `${JSON.stringify(bad)} ${JSON.stringify(badEvents)}`);

  // Its controls bar, clicked; over the page (transparent) it still takes
  // clicks; without a label it is named "Firework"; a bare loop starts over
  // 120 steps after the show's last key.
  const bar = await api.evaluate(async () => {
    const player = document.querySelector('firework-player');
    const press = (selector) => player.shadowRoot.querySelector(`[part=controls] ${selector}`).click();
    const [from, box] = [window.fireworkProbe.steps, player.getBoundingClientRect()];
    Object.assign(player, {loop: true, show: '1.RA1', transparent: true});
    player.removeAttribute('label');
    player.play();
    await new Promise((resolve) => player.addEventListener('loop', resolve, {once: true}));
    const round = window.fireworkProbe.steps - from - 1; // steps 0 to 120, then 0 again
    press('[data-do=pause]');
    const at = player.currentStep;
    for (const selector of ['[data-do=step]', '[data-key=z]', '[data-do=step]']) press(selector);
    return [round, player.paused, player.currentStep - at, player.recorded.replace(/[0-9a-z]+$/, ''),
      player.shadowRoot.querySelector('[role=img]').getAttribute('aria-label'),
      document.elementFromPoint(box.left + box.width / 2, box.top + box.height / 2).localName,
      window.fireworkEvents.filter((event) => event.type === 'burst').slice(-5, -1).map((e) => e.key + e.step)].join();
  });
  check('its controls play, pause, step and burst; transparent with controls it takes clicks; unlabelled it is ' +
    '"Firework"; a bare loop starts over 120 steps after the last key', bar === '121,true,2,1.RA1Z,Firework,' +
    'firework-player,r0,a1,r0,a1', bar);
  await api.close();

  // A page of elements with controls: names, focus and 44-pixel targets.
  const labelled = await open('controls');
  await waitFor(labelled, () => window.fireworkEvents.filter((event) => event.type === 'ready').length === 3);
  const found = await audit(labelled);
  const targets = await labelled.evaluate(() => [...document.querySelectorAll('firework-player')]
    .flatMap((player) => [...player.shadowRoot.querySelectorAll('button, select')])
    .map((control) => control.getBoundingClientRect()).filter((box) => box.width < 44 || box.height < 44).length);
  check('a page of elements with controls: no violation of WCAG 2.2 A or AA, every target 44 x 44 or more',
    found.length === 0 && targets === 0, `${found.join('; ')}; ${targets} small targets`);
  await labelled.close();

  // Exact: the element's frames at five steps of a long show are the
  // site's, whether it played, stepped or sought there, in any order.
  const pictures = async (tab, steps, reach) => {
    const taken = [];
    for (const step of steps) taken.push(pictureHash(await tab.evaluate(reach, step)));
    return taken;
  };
  const playTo = (step) => {
    while (window.fireworkProbe.steps < step - 1) window.fireworkProbe.release(1);
    return window.stepAndPicture().toDataURL();
  };
  const steps = [20, 45, 60, 601, 1200];
  const siteTab = await openCanvas(browser, address(`site/index.html#show=${longShow}`), 480, 360, errors);
  const expected = (await pictures(siteTab, steps, playTo)).join();
  await siteTab.close();
  const byPlay = await openCanvas(browser, address('exact.html'), 480, 360, errors);
  const played = (await pictures(byPlay, steps, playTo)).join();
  await byPlay.evaluate(() => document.querySelector('firework-player').pause());
  const stepped = (await pictures(byPlay, steps.slice(0, 3), async (step) => {
    const player = document.querySelector('firework-player');
    await player.seek(1);
    while (player.currentStep < step) player.step();
    return window.pictureNow().toDataURL();
  })).join();
  const order = [1200, 60, 20, 601, 45];
  const sought = await pictures(byPlay, order, async (step) => {
    await document.querySelector('firework-player').seek(step);
    return window.pictureNow().toDataURL();
  });
  const inOrder = steps.map((step) => sought[order.indexOf(step)]).join();
  check('its frames at five steps of a long show are the site\'s, played, stepped or sought in any order, across ' +
    'its snapshots', played === expected && expected.startsWith(stepped) && inOrder === expected,
  `site ${expected}; played ${played}; stepped ${stepped}; sought ${inOrder}`);
  await byPlay.close();

  // A lost context: the element holds still; given back, it goes on from its
  // step and draws what a fresh run draws there.
  const lossy = await open('exact');
  await waitFor(lossy, () => document.querySelector('firework-player').currentStep > 0);
  const resumed = await lossy.evaluate(async () => {
    const player = document.querySelector('firework-player');
    const wait = window.fireworkProbe.until;
    const picture = () => window.fireworkProbe.picture().toDataURL();
    player.pause();
    await player.seek(40);
    window.fireworkContexts.last.loseContext();
    await wait(() => window.fireworkContexts.lost === 1);
    const lostAt = player.currentStep;
    player.play();
    await new Promise((resolve) => setTimeout(resolve, 300));
    const stillAt = player.currentStep;
    player.pause();
    window.fireworkContexts.last.restoreContext();
    await wait(() => window.fireworkContexts.restored === 1);
    for (let step = 0; step < 5; ++step) player.step();
    const after = picture();
    await player.seek(0);
    await player.seek(45);
    return {lostAt, stillAt, at: player.currentStep, same: after === picture()};
  });
  // Then ESC, with keys: the program ends, and says so.
  await lossy.evaluate(() => {
    const player = document.querySelector('firework-player');
    player.keys = true;
    player.focus();
  });
  await lossy.keyboard.press('Escape');
  const told = (await events(lossy)).map((event) => event.type).filter((type) => /^(webgl|ended)/.test(type));
  const output = await lossy.evaluate(() => document.querySelector('firework-player').output);
  check('a lost context holds the element at its step; given back, it goes on and draws what a fresh run draws; ' +
    'the element tells of both, and of the end by ESC', resumed.lostAt === 40 && resumed.stillAt === 40 &&
      resumed.at === 45 && resumed.same && told.join() === 'webglcontextlost,webglcontextrestored,ended' &&
      output.startsWith('This program will generate firework:\n'), `${JSON.stringify(resumed)} ${told} ${output}`);
  await lossy.close();

  // 24 on one page, all in view: each draws its own show, in one context.
  const many = await open('many', {viewport: {width: 1000, height: 1000}});
  const drawn = await waitFor(many, () => [...document.querySelectorAll('firework-player')]
    .every((player) => player.currentStep > 30));
  const gallery = await many.evaluate(() => ({
    steps: [...document.querySelectorAll('firework-player')].map((player) => player.currentStep),
    recorded: [...document.querySelectorAll('firework-player')].map((player) => player.recorded),
    lit: [...document.querySelectorAll('firework-player')].map((player) => {
      const copy = window.fireworkProbe.picture(player.shadowRoot.querySelector('canvas'));
      return copy.getContext('2d').getImageData(0, 0, copy.width, copy.height).data
        .some((value, i) => i % 4 < 3 && value > 24);
    }),
    contexts: {...window.fireworkContexts},
  }));
  // Then the context lost and given back: all hold still, then all go on.
  const lostMany = await many.evaluate(async () => {
    const steps = () => [...document.querySelectorAll('firework-player')].map((player) => player.currentStep);
    const {pause} = window.fireworkProbe;
    window.fireworkContexts.last.loseContext();
    const held = await pause(300).then(steps);
    const still = await pause(300).then(() => held.join() === steps().join());
    window.fireworkContexts.last.restoreContext();
    return {still, on: await pause(1000).then(() => steps().every((step, i) => step > held[i]))};
  });
  check('24 elements on one page each run their own show and draw it, in one WebGL context (the first one\'s ' +
    'given up where they move to an OffscreenCanvas), none lost, from one compile; a lost context holds them ' +
    'all, and given back all go on', drawn && gallery.lit.every(Boolean) && gallery.recorded[5] === '1.R5' &&
      gallery.contexts.made - gallery.contexts.released === 1 &&
      gallery.contexts.lost <= gallery.contexts.released &&
      gallery.contexts.compiled === 1 && lostMany.still && lostMany.on,
  `${JSON.stringify(gallery)} ${JSON.stringify(lostMany)}`);
  await many.close();

  // Alone, an element draws straight into a canvas it shows, with no copy.
  // A second element drawing beside a paused first leaves the first's
  // picture as it was; while both draw, frames are copied only where the
  // context stays on the page's canvas (WebKit), not where it moves to an
  // OffscreenCanvas; once the second has gone, no copy again.
  const alone = await open('alone');
  await waitFor(alone, () => document.querySelector('firework-player').currentStep > 10);
  const sharing = await alone.evaluate(async () => {
    const probe = window.fireworkProbe;
    const first = document.querySelector('firework-player');
    let copies = 0;
    const drawImage = CanvasRenderingContext2D.prototype.drawImage;
    CanvasRenderingContext2D.prototype.drawImage = function (...rest) {
      if (this.canvas.getRootNode() instanceof ShadowRoot) ++copies;
      return drawImage.apply(this, rest);
    };
    const shown = (player) => [...player.shadowRoot.querySelectorAll('canvas')].at(-1);
    const picture = (player) => probe.picture(shown(player)).toDataURL();
    const drawnIn = () => (probe.gl.canvas.getRootNode?.() === first.shadowRoot ? 'its own canvas' :
      probe.gl.canvas instanceof HTMLCanvasElement ? 'the page\'s canvas' : 'an offscreen canvas');
    const run = async (player, steps) => {
      const from = player.currentStep;
      copies = 0;
      await probe.until(() => player.currentStep >= from + steps);
      return copies;
    };
    const result = {aloneCopies: await run(first, 20), aloneIn: drawnIn()};
    first.pause();
    const kept = picture(first);
    const second = document.createElement('firework-player');
    second.autoplay = true;
    second.show = '1.A';
    document.getElementById('holder').append(second);
    await probe.until(() => second.currentStep > 20);
    result.firstKept = picture(first) === kept;
    result.secondDrawn = picture(second) !== kept;
    first.play();
    const secondFrom = second.currentStep;
    result.sharedCopies = await run(first, 20);
    result.sharedIn = drawnIn();
    result.bothOn = second.currentStep >= secondFrom + 20;
    second.remove();
    await run(first, 5);
    result.againCopies = await run(first, 20);
    return result;
  });
  check('alone, an element draws straight into a canvas it shows; a second one drawing beside it leaves its ' +
    'paused picture as it was; both drawing, frames are copied only where the context stays on the page\'s ' +
    'canvas; alone again, no copy', sharing.aloneCopies === 0 && sharing.againCopies === 0 &&
    sharing.aloneIn === 'its own canvas' && sharing.firstKept && sharing.secondDrawn && sharing.bothOn &&
    (sharing.sharedIn === 'the page\'s canvas') === (sharing.sharedCopies > 0),
  JSON.stringify(sharing));
  await alone.close();

  // Added and removed 100 times: nothing is left running.
  const churn = await open('empty');
  const left = await churn.evaluate(async () => {
    const holder = document.getElementById('holder');
    for (let n = 0; n < 100; ++n) {
      const player = document.createElement('firework-player');
      player.autoplay = true;
      holder.append(player);
      await new Promise((resolve) => setTimeout(resolve, n % 10 === 0 ? 100 : 0));
      player.remove();
    }
    await new Promise((resolve) => setTimeout(resolve, 200));
    const frames = window.fireworkProbe.steps;
    await new Promise((resolve) => setTimeout(resolve, 300));
    return {...window.fireworkContexts, stepsAfter: window.fireworkProbe.steps - frames};
  });
  check('an element added and removed 100 times leaves no context and nothing that draws',
    left.made === left.released && left.stepsAfter === 0, JSON.stringify(left));
  await churn.close();

  // Transparent: the page shows where the firework is black, and the
  // particles add their light to it; clicks pass through.
  if (can('blend', 'transparent over a coloured page')) {
    const overlay = await open('transparent');
    await waitFor(overlay, () => document.querySelector('firework-player').currentStep > 20);
    await overlay.evaluate(() => document.querySelector('firework-player').pause());
    const shot = await (await overlay.$('firework-player')).screenshot({encoding: 'base64'});
    const composite = await overlay.evaluate(async (data) => {
      const image = new Image();
      image.src = 'data:image/png;base64,' + data;
      await image.decode();
      const pixels = window.fireworkProbe.picture(image).getContext('2d')
        .getImageData(0, 0, image.width, image.height).data;
      let page = 0, brighter = 0, darker = 0;
      for (let i = 0; i < pixels.length; i += 4) {
        const [r, g, b] = pixels.slice(i, i + 3);
        if (Math.abs(r - 40) <= 2 && Math.abs(g - 80) <= 2 && Math.abs(b - 120) <= 2) ++page;
        else if (r >= 38 && g >= 78 && b >= 118) ++brighter;
        else ++darker;
      }
      const box = document.querySelector('firework-player').getBoundingClientRect();
      const hit = document.elementFromPoint(box.left + box.width / 2, box.top + box.height / 2);
      return {page, brighter, darker, clickGoesTo: hit.localName};
    }, shot);
    check('transparent over a coloured page: the page where the firework is black, lighter where a particle ' +
      'is, nowhere darker, and a click passes through', composite.page > composite.brighter &&
        composite.brighter > 100 && composite.darker === 0 && composite.clickGoesTo !== 'firework-player',
    JSON.stringify(composite));
    await overlay.close();
  }

  // Out of view: no step until scrolled to, then on from step 0; out of
  // view again, it holds its step.
  const away = await open('away');
  await new Promise((resolve) => setTimeout(resolve, 1000));
  const unseen = await away.evaluate(() => document.querySelector('firework-player').currentStep);
  await away.evaluate(() => document.querySelector('firework-player').scrollIntoView());
  const started = await waitFor(away, () => document.querySelector('firework-player').currentStep > 10);
  await away.evaluate(() => window.scrollTo(0, 0));
  await new Promise((resolve) => setTimeout(resolve, 300));
  const heldAt = await away.evaluate(() => document.querySelector('firework-player').currentStep);
  await new Promise((resolve) => setTimeout(resolve, 700));
  const later = await away.evaluate(() => document.querySelector('firework-player').currentStep);
  check('out of view it runs no step; seen, it runs; out of view again, it holds its step',
    unseen === 0 && started && later === heldAt, `${unseen}, ${heldAt}, ${later}`);
  await away.close();
  await browser.close();

  // Reduced motion: autoplay draws the first frame and waits; play() plays.
  browser = await launchBrowser({reducedMotion: true});
  const reduced = await open('exact');
  await waitFor(reduced, () => window.fireworkEvents.some((event) => event.type === 'ready'));
  await new Promise((resolve) => setTimeout(resolve, 500));
  const still = await reduced.evaluate(() => document.querySelector('firework-player').currentStep);
  await reduced.evaluate(() => document.querySelector('firework-player').play());
  const moves = await waitFor(reduced, () => document.querySelector('firework-player').currentStep > 10);
  check('with reduced motion, autoplay draws the first frame and waits; play() plays', still === 1 && moves,
    `${still}`);
  await browser.close();

  // No WebGL: the page's sentence in an error event, and the element's
  // own children in the firework's place.
  browser = await launchBrowser({webgl: false});
  const without = await open('api');
  await waitFor(without, () => window.fireworkEvents.some((event) => event.type === 'error'));
  const fallback = await without.evaluate(() => ({
    errors: window.fireworkEvents.filter((event) => event.type === 'error').map((event) => event.message),
    children: document.getElementById('fallback').getBoundingClientRect().height > 0,
    picture: document.querySelector('firework-player').shadowRoot.querySelector('[role=img]').hidden,
  }));
  check('without WebGL an error event says the page\'s sentence, and the element shows its children',
    fallback.errors.join() === 'The firework needs WebGL, which this browser does not offer or has turned off.' &&
      fallback.children && fallback.picture, JSON.stringify(fallback));
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
