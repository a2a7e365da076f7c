// editor_test.mjs: the show editor (editor.html). A keyboard session builds
// a show, with undo and redo, and the address follows it; the pointer
// drags cues and scrubs; the preview at a step equals the embed code's
// player, in a page of another origin, sought to that step; the show comes
// back on this device; bad shows and edits past the format's limits are
// refused; the phone layout, reduced motion and an axe audit.
//
// usage: node editor_test.mjs SITE
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {launchBrowser, serveFolder, checkList, openPage, audit, closeAll, pictureHash} from './browser.mjs';
import {openEditor, editorState, typeKeys} from './editor_page.mjs';

const [site] = process.argv.slice(2);
const {check, finishClean, can} = checkList('editor');
const errors = [];
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/editor.html`;
const embedFolder = fs.mkdtempSync(path.join(os.tmpdir(), 'firework-embed-'));
const embedServer = await serveFolder(embedFolder);
let browser = await launchBrowser();

const open = (hash = '', viewport = null) => openEditor(browser, url + hash, errors, {viewport});
const state = editorState;
const type = typeKeys;
// The state once the preview shows the playhead's step.
async function settled(page) {
  await page.waitForFunction(() => preview.currentStep === showEditor.doc.playhead, {polling: 100});
  return state(page);
}
// The point of the viewport at `step` in `lane` (-1: the ruler).
const point = (page, step, lane) => page.evaluate((step, lane) => {
  const {view, xOf} = showEditor.timeline;
  const box = document.getElementById('timeline').getBoundingClientRect();
  const y = lane < 0 ? view.ruler / 2 : view.ruler + (lane + 0.5) * view.lane;
  return [box.left + xOf(step), box.top + y];
}, step, lane);
async function drag(page, from, to) {
  await page.mouse.move(...from);
  await page.mouse.down();
  await page.mouse.move(...to, {steps: 4});
  await page.mouse.up();
}
// The preview's picture once it shows step `step`: a hash.
const pictureAt = async (page, step) => pictureHash(await page.evaluate(async (step) => {
  await fireworkProbe.until(() => preview.currentStep === step);
  await fireworkProbe.shown();
  return fireworkProbe.picture().toDataURL();
}, step));

try {
  // A keyboard session: cues at the playhead, moved, copied, removed,
  // undone and redone; the address holds the show after each edit.
  const page = await open();
  const hashes = [];
  const session = [['r'], ['Shift+ArrowRight', 'a'], ['ArrowRight', 'ArrowRight', 'd'], ['Control+a', 'Control+c'],
    ['End', 'Shift+ArrowRight', 'Control+v'], ['Alt+ArrowLeft', 'Alt+ArrowLeft'], ['Control+ArrowRight'], ['Delete']];
  for (const keys of session) {
    await type(page, ...keys);
    hashes.push((await state(page)).hash);
  }
  const built = await state(page);
  check('keys build a show: a cue at the playhead, Ctrl+V pastes the copy there, Alt+Left selects the cue before, ' +
    'Ctrl+Right moves it, Delete removes it', hashes.join(' ') ===
    '#show=1.R #show=1.RA1o #show=1.RA1oD2 #show=1.RA1oD2 #show=1.RA1oD2R1oA1oD2 #show=1.RA1oD2R1oA1oD2 ' +
    '#show=1.RA1pD1R1oA1oD2 #show=1.RD1qR1oA1oD2' && built.said === 'a at 1.02 s removed', JSON.stringify(built));
  await type(page, 'Control+z', 'Control+z', 'Control+z');
  const undone = await state(page);
  await type(page, 'Control+Shift+z', 'Control+y');
  const redone = await state(page);
  check('undo brings back the cues and the selection; redo takes them again; the live region says each',
    undone.hash === '#show=1.RA1oD2' && undone.said === 'Undone: 3 cues pasted' && undone.active === 'd at 1.03 s' &&
      redone.hash === hashes[6] && redone.active === 'a at 1.02 s' && redone.said === 'Redone: a at 1.02 s moved',
    `${JSON.stringify(undone)} ${JSON.stringify(redone)}`);

  // The pointer, the whole show in view: a cue dragged to another lane and
  // later, one added by a double click, a scrub along the ruler that the
  // preview follows.
  await page.click('#fit');
  await drag(page, await point(page, 62, 3), await point(page, 90, 0));
  const dragged = await state(page);
  const addedAt = await point(page, 30, 5);
  await page.mouse.click(...addedAt, {count: 2});
  const added = await state(page);
  // The added cue's option, the active one, lies over its mark.
  const over = await page.evaluate(([x, y]) => {
    const timeline = document.getElementById('timeline');
    const box = document.getElementById(timeline.getAttribute('aria-activedescendant')).getBoundingClientRect();
    return x >= box.left - 1 && x <= box.right + 1 && y >= box.top && y <= box.bottom;
  }, addedAt);
  await drag(page, await point(page, 5, -1), await point(page, 47, -1));
  const scrubbed = await settled(page);
  check('a dragged cue changes burst and step; a double click adds one, its option over it; a scrub moves the ' +
    'playhead, the preview and the readout',
    dragged.hash === '#show=1.RA1pWtRwA1oD2' && added.hash === '#show=1.RCuAvWtRwA1oD2' &&
      added.said === 'c at 0.50 s added' && over && Math.abs(scrubbed.playhead - 47) <= 1 &&
      scrubbed.readout.endsWith(` step ${scrubbed.playhead}`),
    `${JSON.stringify(dragged)} ${JSON.stringify(added)} ${JSON.stringify(scrubbed)}`);

  // The preview at steps reached by stepping, scrubbing and undoing, against
  // the element of the embed code in a page of another origin.
  const pictures = {};
  await type(page, 'Home', 'Shift+ArrowRight', 'ArrowRight');
  pictures[61] = await pictureAt(page, 61);
  await drag(page, await point(page, 10, -1), await point(page, 100, -1));
  const scrub = (await settled(page)).playhead;
  pictures[scrub] = await pictureAt(page, scrub);
  await type(page, 'Control+z');
  pictures[scrub + ' undone'] = await pictureAt(page, scrub);
  const undoneShow = (await state(page)).hash;
  await type(page, 'Control+Shift+z');
  await page.evaluate(() => {
    navigator.clipboard.writeText = () => Promise.reject(new Error('no clipboard here'));
    document.getElementById('embed').click();
  });
  const code = await page.evaluate(async () => {
    const line = document.getElementById('note');
    await fireworkProbe.until(() => line.textContent.includes('embed code: '));
    return line.textContent.split('embed code: ')[1];
  });
  const size = await page.evaluate(() => ({width: fireworkProbe.canvas().width / devicePixelRatio,
    height: fireworkProbe.canvas().height / devicePixelRatio}));
  const found = await audit(page);
  check('with cues selected, no violation of WCAG 2.2 A or AA', found.length === 0, found.join('; '));
  const show = (await state(page)).hash.slice('#show='.length);
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById('note').textContent !== '', {polling: 100});
  const brought = await state(page);
  check('opened with no show, the editor brings back the last one edited here, and says so',
    brought.hash === `#show=${show}` && brought.note.startsWith('Brought back the last show edited on this device: '),
    JSON.stringify(brought));
  await page.close(); // WebKit's driver keeps one window at a time
  fs.writeFileSync(path.join(embedFolder, 'embed.html'), '<!doctype html><html lang="en"><head><meta charset="utf-8">' +
    '<link rel="icon" href="data:,"><title>Embedded</title><style>firework-player { display: block; ' +
    `width: ${size.width}px; height: ${size.height}px }</style></head><body>${code}</body></html>`);
  const embed = await openPage(browser, `http://127.0.0.1:${embedServer.address().port}/embed.html`, false, errors);
  const seekEmbed = async (show, step) => {
    await embed.evaluate(async (show) => {
      window.preview = document.querySelector('firework-player');
      preview.pause();
      preview.show = show;
    }, show);
    await embed.evaluate((step) => preview.seek(step), step);
    return pictureAt(embed, step);
  };
  const off = [];
  for (const step of [61, scrub]) if (pictures[step] !== await seekEmbed(show, step)) off.push(step);
  const offUndone = pictures[scrub + ' undone'] !== await seekEmbed(undoneShow.slice(6), scrub);
  check('the preview at a step, reached by stepping, scrubbing or undoing, equals the embed code\'s player ' +
    'in a page of another origin sought there',
  code.startsWith(`<script src="${new URL('firework-player.js', url)}">`) &&
    code.includes(`<firework-player show="${show}" autoplay loop>`) && off.length === 0 && !offUndone,
  `${code}; differs at ${off} ${offUndone ? 'undone' : ''}`);
  await embed.close();

  // The main page's "Compose a show" and the editor's "Open on the main
  // page" carry the show across.
  const main = await openPage(browser, url.replace('editor.html', 'index.html#show=1.RW1o'), false, errors);
  await main.evaluate(() => document.getElementById('compose').click());
  await main.waitForFunction(() => location.pathname.endsWith('editor.html') && document.readyState === 'complete',
    {polling: 100});
  const composed = await main.evaluate(() => [location.hash, showEditor.doc.cues.length]);
  await main.evaluate(() => document.getElementById('open-main').click());
  await main.waitForFunction(() => location.pathname.endsWith('index.html'), {polling: 100});
  const opened = await main.evaluate(() => location.hash);
  check('"Compose a show" opens the main page\'s show in the editor; "Open on the main page" brings it back',
    composed.join() === '#show=1.RW1o,2' && opened === '#show=1.RW1o', `${composed} ${opened}`);
  await main.close();

  // Bad input: a show that cannot be read; edits past 10,000 keys, past
  // 64 KB, past six base-36 digits between cues; a move before step 0.
  const bad = await open('#show=2.R');
  const badState = await state(bad);
  await type(bad, 'w');
  const edited = await state(bad);
  const typed = await bad.evaluate(async () => {
    location.hash = '#show=1.RAa';
    await fireworkProbe.until(() => showEditor.doc.cues.length === 2);
    return showEditor.doc.text() + document.getElementById('note').textContent;
  });
  await type(bad, 'Control+z');
  const typedUndone = (await state(bad)).hash;
  check('a show that cannot be read is said with the main page\'s reason, the editor opens empty and the address ' +
    'stays until the first edit; a show typed into the address opens, undone in one step',
  badState.note === 'The show in the address could not be read: it is written in version 2 of the format, and ' +
    'this page reads version 1.' &&
    badState.hash === '#show=2.R' && edited.hash === '#show=1.W' && typed === '1.RAa' && typedUndone === '#show=1.W',
  `${JSON.stringify(badState)} ${edited.hash} ${typed} ${typedUndone}`);
  await bad.close();
  const limits = [['1.' + 'W1'.repeat(10000), ['r'], 'a show holds at most 10,000 cues'],
    ['1.' + 'W100000'.repeat(9362), ['r'], 'the show would be longer than 64 KB written'],
    ['1.Wzzzzzz', ['Control+a', 'Control+ArrowRight'], 'a cue would be 2,176,782,336 steps or more after'],
    ['1.RW1o', ['Alt+ArrowRight', 'Control+Shift+ArrowLeft', 'Control+Shift+ArrowLeft'], '',
      'The selected cues can go no further.']];
  for (const [text, keys, why, told] of limits) {
    const limited = await open('#show=' + text);
    await type(limited, ...keys);
    const after = await state(limited);
    check(`an edit past the format's limits is refused, nothing changed: ${why || 'no cue before step 0'}`,
      after.hash === '#show=' + (why ? text : '1.RW') && after.said.startsWith(told ?? 'Not done: ' + why),
      JSON.stringify({...after, hash: after.hash.slice(0, 40)}));
    await limited.close();
  }

  // 150 quick moves of a cue (WebKit allows 100 address changes in 10 s),
  // then a burst key's auto-repeat: the address, the kept show and the live
  // region hold the last move, and the repeat adds nothing.
  const quick = await open('#show=1.R');
  await type(quick, 'Control+a', ...Array(150).fill('Control+ArrowRight'));
  await quick.evaluate(() => document.getElementById('timeline').dispatchEvent(new KeyboardEvent('keydown',
    {key: 'w', repeat: true, bubbles: true, cancelable: true})));
  const moved = await state(quick);
  const keptShows = (page) => page.evaluate(() => Object.keys(localStorage)
    .filter((key) => key.startsWith('firework-editor-show:')).map((key) => JSON.parse(localStorage[key]).show));
  const keptQuick = await keptShows(quick);
  check('after 150 quick moves the address, the kept show and the live region hold the last; a repeat adds nothing',
    moved.hash === '#show=1.R46' && moved.said === 'r at 2.50 s moved' && keptQuick.includes('1.R46'),
    `${JSON.stringify(moved)} ${keptQuick}`);
  await quick.close();

  // Two tabs: a friend's link edited is a show of its own; a second tab
  // opened meanwhile with no show brings the first tab's show back as a
  // copy, and neither overwrites the other.
  if (can('tabs', 'two tabs at once')) {
    const mine = await open('#show=1.RW1o');
    await type(mine, 'a');
    const other = await open();
    await type(other, 'End', 'd');
    const [first, second] = [await state(mine), await state(other)];
    const kept = await keptShows(other);
    const listed = await other.evaluate(() => [...document.querySelectorAll('#your-shows-list a')]
      .map((link) => link.getAttribute('href')));
    check('a friend\'s link edited is a new entry; a second tab brings it back as a copy; neither overwrites the ' +
      'other, and "Your shows" lists the first', first.hash === '#show=1.RAW1o' && second.hash === '#show=1.RAW1oD' &&
      kept.includes('1.RAW1o') && kept.includes('1.RAW1oD') && kept.includes('1.R46') &&
      listed.includes('editor.html#show=1.RAW1o'), `${first.hash} ${second.hash} ${kept} ${listed}`);
    await mine.close();
    await other.close();
  }

  if (can('phone', 'the phone layout')) {
    const phone = await open('#show=1.RW1o', {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true,
      hasTouch: true});
    const layout = await phone.evaluate(() => ({wide: document.documentElement.scrollWidth,
      lane: showEditor.timeline.view.lane, small: [...document.querySelectorAll('button, a')].filter((target) =>
        target.offsetParent && target.getBoundingClientRect().height < 44).map((target) => target.textContent)}));
    const touch = can('touch', 'a tap on a burst button, a cue dragged by a finger, two fingers zooming');
    await (touch ? phone.tap : phone.click).call(phone, '#bursts button[data-key="s"]');
    const tapped = await state(phone);
    if (touch) {
      await phone.touchscreen.touchStart(...await point(phone, 60, 0));
      await phone.touchscreen.touchMove(...await point(phone, 80, 1));
      await phone.touchscreen.touchEnd();
    }
    const fingered = await state(phone);
    let zoomed = null;
    if (touch) {
      // Two fingers spread apart: the timeline zooms in about them.
      const client = await phone.createCDPSession();
      const [x, y] = await point(phone, 40, 3);
      const fingers = (apart) => [{x: x - apart, y, id: 1}, {x: x + apart, y, id: 2}];
      const before = await phone.evaluate(() => showEditor.timeline.view.perStep);
      await client.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: fingers(20)});
      for (const apart of [30, 40, 50, 60]) {
        await client.send('Input.dispatchTouchEvent', {type: 'touchMove', touchPoints: fingers(apart)});
      }
      await client.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
      zoomed = await phone.evaluate(() => showEditor.timeline.view.perStep) / before;
    }
    await phone.close();
    check('on a phone the editor fits without sideways scrolling, lanes and buttons 44 pixels; a burst button adds ' +
      'its cue at the playhead, a finger drags a cue, two fingers zoom', layout.wide <= 390 &&
      layout.lane === (touch ? 44 : 28) && layout.small.length === 0 && tapped.hash === '#show=1.RSW1o' &&
      fingered.hash === (touch ? '#show=1.RSS28' : tapped.hash) && (!touch || Math.abs(zoomed - 3) < 0.2),
    `${JSON.stringify(layout)} ${tapped.hash} ${fingered.hash} zoomed ${zoomed}x`);
  }
  await browser.close();

  browser = await launchBrowser({reducedMotion: true});
  const still = await openPage(browser, url + '#show=1.R', false, errors);
  await still.waitForFunction(() => window.showEditor && preview.currentStep >= 0, {polling: 100});
  await new Promise((resolve) => setTimeout(resolve, 500));
  const stillState = await state(still);
  check('under reduced motion nothing plays until asked', stillState.paused && stillState.step <= 1 &&
    stillState.play === 'Play',
    JSON.stringify(stillState));
} finally {
  await closeAll(browser, server, embedServer, embedFolder);
}
finishClean(errors);
