// editor.js: the show editor (editor.html). The show is a list of cues,
// burst keys at steps (cues.js), laid on a timeline (timeline.js) and
// previewed by a <firework-player>, which seeks to the playhead's step
// exactly: the picture at step n is the one any player of the same show
// draws at step n. After every edit the address holds the show (without a
// history entry), this device keeps it (localStorage) and the preview
// takes it and seeks back to the step it showed, cheaply, from the
// snapshots it keeps from before the first changed cue.
//
// A song (music.js) lies under the cues: its beats snap them, and while
// it plays the preview's steps follow its clock.
//
// Keys work while the timeline has focus (the Keys panel lists them);
// everything they do has a button or a pointer gesture too. What each
// action did is said in a polite live region.
'use strict';

const byId = (id) => document.getElementById(id);
// `action` on each `type` event of the element `id`: a click by default.
const on = (id, action, type = 'click') => byId(id).addEventListener(type, action);
const player = byId('preview');
const readout = byId('readout');
const saidLine = byId('said');
const noteLine = byId('note');
const playButton = byId('play');
const openMain = byId('open-main');
const keptShow = 'firework-editor-show'; // localStorage's key for the last show edited
const maxStep = 5184000; // the furthest the preview seeks: 24 hours

const say = (text) => (saidLine.textContent = text);
// A note on the show, a part of it (`selected`) selected to be copied.
function note(text, selected = '') {
  noteLine.textContent = text;
  if (selected) selectPart(noteLine, selected);
}
const clockReadout = (step) => `${clockTime(step)} · step ${step}`;

// The playhead, and the preview sought there; `tell`: said in the live
// region. A seek that a later one supersedes is no failure.
function seekTo(step, tell = true) {
  step = Math.min(maxStep, Math.max(0, Math.round(step)));
  timeline.playhead = step;
  readout.textContent = clockReadout(step);
  if (!followStep(step)) placePlayhead();
  player.seek(step).catch((error) => error.name === 'AbortError' || say(error.message));
  if (music.source) playMusic(step / showFormat.stepsPerSecond);
  if (tell) say(`Playhead at ${clockReadout(step)}`);
}
// The step an added cue goes to: the one being played, or the playhead.
const hereStep = () => (player.paused && !music.source ? timeline.playhead : player.currentStep);
// Where the playhead is now, in the address's form.
const address = () => showFormat.prefix + writeShow(composition.cues) + musicPart();

// An action's outcome (cues.js): an edit refused, or none made, is only
// said; an edit made goes to the address, this device and the preview,
// which shows the step it showed.
function applied({said, refused, told}) {
  if (!said) {
    say(refused ?? told);
    return;
  }
  const step = hereStep();
  const text = writeShow(composition.cues);
  history.replaceState(history.state, '', address());
  openMain.href = 'index.html' + showFormat.prefix + text;
  try {
    localStorage.setItem(keptShow, text);
  } catch (error) {
    // Storage off or full: the address holds the show all the same.
  }
  player.show = text;
  player.seek(step).catch(() => {});
  timeline.active = [...composition.selected].at(-1) ?? 0;
  drawTimeline();
  nameCues();
  say(said);
}
function undo(redo) {
  const what = undoEdit(redo);
  if (what === null) say(redo ? 'Nothing to redo.' : 'Nothing to undo.');
  else applied({said: `${redo ? 'Redone' : 'Undone'}: ${what}`});
}

// Selection, which is no edit.
function select(ids, tell) {
  composition.selected = new Set(ids);
  timeline.active = ids.at(-1) ?? 0;
  drawTimeline();
  nameCues();
  if (tell) say(tell);
}
// Alt+Left and Alt+Right: the cue before or after the playhead (or the
// active cue), selected, with the playhead on it.
function selectNext(direction) {
  const {cues} = composition;
  const active = cues.findIndex((cue) => cue.id === timeline.active);
  const here = active >= 0 && cues[active].step === timeline.playhead ? active
    : direction > 0 ? firstFrom(cues, timeline.playhead + 1) - 1 : firstFrom(cues, timeline.playhead);
  const cue = cues[here + direction];
  if (!cue) {
    say(direction > 0 ? 'No cue after the playhead.' : 'No cue before the playhead.');
    return;
  }
  select([cue.id]);
  seekTo(cue.step, false);
  say(`${cueName(cue)} selected`);
}

// The show in the address, else the last one edited here; a show that
// cannot be read leaves the editor empty and the address as it is until
// the first edit.
function openShow() {
  const show = parseShow(location.hash);
  let keys = show?.keys ?? [];
  let broughtBack = false;
  note(show?.error ? `The show in the address could not be read: ${show.error}.` : '');
  if (!show) {
    let kept = null;
    try {
      kept = localStorage.getItem(keptShow);
    } catch (error) {
      // No storage: nothing to bring back.
    }
    const last = kept ? readShow(kept) : null;
    if (last?.keys?.length) {
      keys = last.keys;
      history.replaceState(history.state, '', showFormat.prefix + last.text);
      note(`Brought back the last show edited on this device: ${cuesName(keys)}.`);
      broughtBack = true;
    }
  }
  openCues(keys);
  player.show = writeShow(keys);
  openMain.href = 'index.html' + showFormat.prefix + player.show;
  return broughtBack;
}

// A show typed into the address opens as a new one, with no undo before it.
function reopen() {
  openShow();
  fitTimeline(composition.cues.at(-1)?.step ?? 0);
  seekTo(0, false);
}

// The keys of the timeline; Cmd stands for Ctrl on macOS.
function onKey(event) {
  const command = event.ctrlKey || event.metaKey;
  const letter = event.key.length === 1 ? event.key.toLowerCase() : event.key;
  // Each key's action; those of Ctrl and a letter are none without Ctrl.
  const actions = {
    ' ': !command && togglePlay,
    b: !command && !event.altKey && toggleSnap,
    ArrowLeft: () => arrow(-1),
    ArrowRight: () => arrow(1),
    Home: () => seekTo(0),
    End: () => seekTo(composition.cues.at(-1)?.step ?? 0),
    Delete: () => applied(removeSelected()),
    Backspace: () => applied(removeSelected()),
    Escape: () => select([], 'No cue selected.'),
    a: command && (() => select(composition.cues.map((cue) => cue.id), `${composition.cues.length} cues selected`)),
    c: command && (() => applied(copySelected())),
    v: command && (() => applied(paste(hereStep(), snapStep))),
    z: command && (() => undo(event.shiftKey)),
    y: command && (() => undo(true)),
  };
  function arrow(direction) {
    const steps = direction * (event.shiftKey ? showFormat.stepsPerSecond : 1);
    const beat = event.shiftKey && music.snap && music.tempo;
    if (event.altKey) selectNext(direction);
    else if (command && beat) applied(moveSelected(Math.round(direction * 3600 / music.tempo), 0, snapStep));
    else if (command) applied(moveSelected(steps));
    else seekTo(timeline.playhead + steps);
  }
  const burst = !command && !event.altKey && showFormat.burstKeys.includes(event.key);
  const action = burst ? () => applied(addCue(event.key, snapStep(hereStep()))) : actions[letter];
  if (!action) return;
  action();
  event.preventDefault();
}

// Pointer and touch on the timeline. One pointer: on the ruler or the
// playhead it scrubs; on a cue it selects and drags; on empty lanes a mouse
// draws a selection (a click moves the playhead) and a finger pans (a tap
// moves the playhead, or adds a cue while the lane's burst button is held).
// Two fingers zoom and pan, as does the mouse's middle button. The wheel
// pans; with Ctrl, it zooms.
const pointers = new Map();
let gesture = null;
const heldBursts = new Map(); // burst buttons held down: key → whether a tap used the hold
const local = (event) => {
  const box = timeline.box.getBoundingClientRect();
  return [event.clientX - box.left, event.clientY - box.top];
};
const pinchOf = () => {
  const [one, other] = [...pointers.values()];
  return {distance: Math.hypot(one.x - other.x, one.y - other.y) || 1, x: (one.x + other.x) / 2};
};

function pointerDown(event) {
  const middle = event.pointerType === 'mouse' && event.button === 1;
  if (event.pointerType === 'mouse' && event.button !== 0 && !middle) return;
  try {
    timeline.box.setPointerCapture(event.pointerId);
  } catch (error) {
    // A pointer the browser no longer tracks: the gesture goes on uncaptured.
  }
  const [x, y] = local(event);
  pointers.set(event.pointerId, {x, y});
  if (middle) {
    event.preventDefault(); // no autoscroll
    gesture = {kind: 'pan', x0: x, y0: y, start: timeline.start, moved: true};
    return;
  }
  if (pointers.size === 2) {
    const pinch = pinchOf();
    gesture = {kind: 'pinch', ...pinch, perStep: timeline.perStep, step: stepAt(pinch.x)};
    timeline.drag = timeline.marquee = null;
    return;
  }
  if (pointers.size > 2) return;
  const touch = event.pointerType !== 'mouse';
  const hit = hitTimeline(x, y, touch ? 16 : 6);
  const key = hit.part === 'lane' && showFormat.burstKeys[hit.lane];
  gesture = {x0: x, y0: y, moved: false, step: hit.step, shift: event.shiftKey};
  if (hit.part === 'ruler' || (!hit.cue && Math.abs(x - xOf(timeline.playhead)) <= (touch ? 12 : 4))) {
    gesture.kind = 'scrub';
    seekTo(hit.step, false);
  } else if (hit.cue) {
    gesture.kind = 'cue';
    gesture.cue = hit.cue;
    if (event.shiftKey) select([...composition.selected, hit.cue.id], `${cueName(hit.cue)} added to the selection`);
    else if (!composition.selected.has(hit.cue.id)) select([hit.cue.id], `${cueName(hit.cue)} selected`);
  } else if (heldBursts.has(key)) {
    heldBursts.set(key, true);
    gesture = null;
    applied(addCue(key, snapStep(hit.step)));
  } else {
    gesture.kind = touch ? 'pan' : 'marquee';
    gesture.start = timeline.start;
  }
}

function pointerMove(event) {
  const at = pointers.get(event.pointerId);
  if (!at || !gesture) return;
  [at.x, at.y] = local(event);
  const {x, y} = at;
  gesture.moved ||= Math.hypot(x - gesture.x0, y - gesture.y0) > 4;
  if (gesture.kind === 'pinch' && pointers.size === 2) {
    const pinch = pinchOf();
    timeline.perStep = Math.min(timeline.maxPerStep, Math.max(timeline.minPerStep,
      gesture.perStep * pinch.distance / gesture.distance));
    timeline.start = Math.max(0, gesture.step - pinch.x / timeline.perStep);
    drawTimeline();
  } else if (gesture.kind === 'scrub') {
    seekTo(stepAt(x), false);
  } else if (gesture.kind === 'pan') {
    timeline.start = Math.max(0, gesture.start - (x - gesture.x0) / timeline.perStep);
    drawTimeline();
  } else if (gesture.kind === 'cue' && gesture.moved) {
    timeline.drag = {steps: Math.round((x - gesture.x0) / timeline.perStep),
      lanes: Math.round((y - gesture.y0) / timeline.lane)};
    drawTimeline();
  } else if (gesture.kind === 'marquee' && gesture.moved) {
    timeline.marquee = {x0: gesture.x0, y0: gesture.y0, x1: x, y1: y};
    drawTimeline();
  }
}

function pointerUp(event) {
  if (!pointers.delete(event.pointerId) || !gesture) return;
  const done = gesture;
  gesture = null;
  if (event.type === 'pointercancel') {
    timeline.drag = timeline.marquee = null;
    drawTimeline();
    return;
  }
  if (done.kind === 'scrub') say(`Playhead at ${clockReadout(timeline.playhead)}`);
  else if (done.kind === 'cue') {
    const drag = timeline.drag;
    timeline.drag = null;
    if (drag) applied(moveSelected(drag.steps, drag.lanes, snapStep));
    else if (!done.shift) select([done.cue.id], `${cueName(done.cue)} selected`);
    drawTimeline();
  } else if (done.kind === 'marquee' && done.moved) {
    const box = timeline.marquee;
    timeline.marquee = null;
    const [from, to] = [stepAt(Math.min(box.x0, box.x1)), stepAt(Math.max(box.x0, box.x1))];
    const lane = (y) => Math.floor((y - timeline.ruler) / timeline.lane);
    const [top, bottom] = [lane(Math.min(box.y0, box.y1)), lane(Math.max(box.y0, box.y1))];
    const covered = composition.cues.filter(({key, step}) => step >= from && step <= to &&
      showFormat.burstKeys.indexOf(key) >= top && showFormat.burstKeys.indexOf(key) <= bottom).map((cue) => cue.id);
    const ids = done.shift ? [...composition.selected, ...covered] : covered;
    select(ids, `${new Set(ids).size} cues selected`);
  } else if ((done.kind === 'marquee' || done.kind === 'pan') && !done.moved) {
    if (!done.shift && composition.selected.size) select([]);
    seekTo(done.step);
  }
}

function wheel(event) {
  event.preventDefault();
  const pixels = event.deltaMode === 1 ? 16 : event.deltaMode === 2 ? timeline.width : 1;
  if (event.ctrlKey || event.metaKey) zoomTimeline(Math.exp(-event.deltaY * pixels / 500), local(event)[0]);
  else {
    const delta = Math.abs(event.deltaX) > Math.abs(event.deltaY) ? event.deltaX : event.deltaY;
    panTimeline(delta * pixels / timeline.perStep);
  }
}

// The timeline's wiring: keys, pointers, a double click to add a cue.
function wireTimeline() {
  const box = timeline.box;
  box.addEventListener('keydown', onKey);
  box.addEventListener('pointerdown', pointerDown);
  box.addEventListener('pointermove', pointerMove);
  box.addEventListener('pointerup', pointerUp);
  box.addEventListener('pointercancel', pointerUp);
  box.addEventListener('wheel', wheel, {passive: false});
  box.addEventListener('dblclick', (event) => {
    const [x, y] = local(event);
    const hit = hitTimeline(x, y, 6);
    if (hit.part === 'lane' && !hit.cue) applied(addCue(showFormat.burstKeys[hit.lane], snapStep(hit.step)));
  });
  const coarse = matchMedia('(pointer: coarse)');
  const fitLanes = () => {
    timeline.lane = coarse.matches ? 44 : 28;
    document.documentElement.style.setProperty('--lane', `${timeline.lane}px`);
    drawTimeline();
  };
  coarse.addEventListener?.('change', fitLanes);
  fitLanes();
  new ResizeObserver(() => drawTimeline()).observe(box);
}

// The buttons. A burst button adds its cue at the playhead when clicked;
// held down, a tap on its lane adds one there instead.
function wireButtons() {
  for (const button of document.querySelectorAll('#bursts button')) {
    const key = button.dataset.key;
    button.addEventListener('pointerdown', () => heldBursts.set(key, false));
    const release = () => setTimeout(() => heldBursts.delete(key));
    button.addEventListener('pointerup', release);
    button.addEventListener('pointercancel', release);
    button.addEventListener('click', () => {
      if (!heldBursts.get(key)) applied(addCue(key, snapStep(hereStep())));
      heldBursts.delete(key);
    });
  }
  on('play', togglePlay);
  on('undo', () => undo(false));
  on('redo', () => undo(true));
  on('remove', () => applied(removeSelected()));
  on('zoom-in', () => zoomTimeline(2, xOf(timeline.playhead)));
  on('zoom-out', () => zoomTimeline(0.5, xOf(timeline.playhead)));
  on('fit', () => fitTimeline(composition.cues.at(-1)?.step ?? 0));
  on('share', () => shareAddress(location.href, note));
  on('embed', copyEmbed);
  wireVideoButton(player, () => ({keys: composition.cues, song: music.buffer,
    frames: Math.max((composition.cues.at(-1)?.step ?? 0) + videoTail, Math.ceil(music.seconds * 60))}),
  (text) => say(text));
}

// "Copy embed code": this site's element and the show, to paste in a page.
async function copyEmbed() {
  const script = new URL('firework-player.js', location.href).href;
  const code = `<script src="${script}"></script>\n` +
    `<firework-player show="${writeShow(composition.cues)}" autoplay loop></firework-player>`;
  try {
    await navigator.clipboard.writeText(code);
    note('The embed code is copied to the clipboard.');
  } catch (error) {
    note(`Copy the embed code: ${code}`, code);
  }
}

// The song (music.js): Add music (a file picked, or dropped on the page),
// Remove music, the beats' numbers by hand, Tap tempo, snapping, Cues on
// beats; and the bursts' sound over it.
function showMusic() {
  byId('remove-music').hidden = byId('beats').hidden = byId('music-lane').hidden = !music.buffer;
  byId('music-name').textContent = music.name;
  byId('beats-line').textContent = beatsLine();
  byId('tempo').value = music.tempo ? Math.round(music.tempo * 100) / 100 : '';
  byId('first-beat').value = music.tempo ? Math.round(music.firstBeat * 1000) / 1000 : '';
  byId('snap').checked = music.snap;
  byId('snap').disabled = !music.tempo;
  drawTimeline();
}
async function beatsFound() {
  const none = await findBeats();
  keepBeats();
  showMusic();
  say(none || `${music.name}: ${beatsLine()}.`);
}
async function addMusic(file) {
  if (!file) return;
  say(`Reading ${file.name}…`);
  const refused = await readMusic(file);
  if (refused) {
    say(refused);
    return;
  }
  player.pause();
  showPlaying();
  history.replaceState(history.state, '', address());
  note('');
  showMusic();
  say(`${file.name} added, ${musicSeconds(music.seconds)}: finding its beats…`);
  await beatsFound();
}
// The song this device keeps, brought back where the address names it or
// the show was the last one edited; else the song the address names is
// asked for.
async function openMusic(broughtBack) {
  const named = musicInAddress();
  const kept = named || broughtBack ? await keptMusic() : null;
  if (kept && (!named || named.name === kept.name) && !(await readMusic(kept.file, false))) {
    Object.assign(music, {tempo: kept.tempo ?? 0, firstBeat: kept.firstBeat ?? 0, snap: Boolean(kept.tempo)});
    history.replaceState(history.state, '', address());
    showMusic();
    if (!music.tempo) await beatsFound();
  } else if (named) {
    note(`This show was made to ${named.name} (${musicSeconds(named.seconds)}): add it to hear it in time.`);
  }
}
const toggleSnap = () => {
  if (!music.tempo) return say('Snapping needs a tempo: add music, or give one.');
  music.snap = !music.snap;
  showMusic();
  say(`Snap to beats ${music.snap ? 'on' : 'off'}`);
};
// A tempo given by hand or by taps; the first one turns snapping on.
function setTempo(tempo, firstBeat = music.firstBeat) {
  if (!(tempo >= 20 && tempo <= 400) || !(firstBeat >= 0)) {
    return say('A tempo is 20 to 400 BPM, a first beat 0 s or more.');
  }
  music.snap ||= !music.tempo;
  Object.assign(music, {tempo, firstBeat});
  keepBeats();
  showMusic();
  say(beatsLine());
}
function cuesOnBeats() {
  if (!music.tempo) return say('Cues on beats needs a tempo: add music, or give one.');
  const [count, every] = [Number(byId('beats-count').value), Number(byId('beats-every').value)];
  const bursts = [...byId('beats-bursts').value.toLowerCase()].filter((key) => showFormat.burstKeys.includes(key));
  if (!bursts.length) return say('Give the bursts to cycle through, as letters of w s a d z c r.');
  const beats = beatsBetween(timeline.playhead, timeline.playhead + (count + 1) * 3600 / music.tempo).slice(0, count);
  const keys = beats.filter((beat, i) => i % every === 0)
    .map(({step}, i) => ({key: bursts[i % bursts.length], step: Math.round(step)}));
  applied(addCues(keys, `${keys.length} cues on beats added`));
}
function wireMusic() {
  on('add-music', () => byId('music-file').click());
  on('music-file', (event) => {
    addMusic(event.target.files[0]);
    event.target.value = '';
  }, 'change');
  addEventListener('dragover', (event) => event.dataTransfer.types.includes('Files') && event.preventDefault());
  addEventListener('drop', (event) => {
    event.preventDefault();
    addMusic(event.dataTransfer.files[0]);
  });
  on('remove-music', async () => {
    await forgetMusic();
    showPlaying();
    history.replaceState(history.state, '', address());
    showMusic();
    say('The music is removed.');
  });
  on('tempo', (event) => setTempo(Number(event.target.value)), 'change');
  on('first-beat', (event) => setTempo(music.tempo || 120, Number(event.target.value)), 'change');
  on('tap', () => {
    const tempo = tapTempo(performance.now() / 1000);
    if (tempo) setTempo(Math.round(tempo * 100) / 100);
    else say('Tap again, on each beat.');
  });
  on('snap', (event) => {
    music.snap = event.target.checked;
    say(`Snap to beats ${music.snap ? 'on' : 'off'}`);
  }, 'change');
  on('cues-on-beats', cuesOnBeats);
  on('sound', () => {
    player.sound = !player.sound;
    byId('sound').setAttribute('aria-pressed', String(player.sound));
  });
}

// Play and pause. Without a song the preview plays itself; with one, it
// stays paused and its steps follow the song's clock, a step or a seek
// each frame, so that after minutes the step shown is the song's time.
// The playhead follows either.
let following = 0;
function follow() {
  if (music.source) {
    const target = musicStep();
    if (target === player.currentStep + 1) player.step();
    else if (target > player.currentStep) player.seek(Math.min(target, maxStep)).catch(() => {});
  }
  const step = player.currentStep;
  if (step !== timeline.playhead) {
    timeline.playhead = step;
    readout.textContent = clockReadout(step);
    if (!followStep(step)) placePlayhead();
  }
  following = music.source || !player.paused ? requestAnimationFrame(follow) : 0;
}
function showPlaying() {
  playButton.textContent = music.source || !player.paused ? 'Pause' : 'Play';
  cancelAnimationFrame(following);
  follow();
}
function togglePlay() {
  if (!music.buffer) {
    player.paused = !player.paused;
    return;
  }
  if (music.source) stopMusic();
  else {
    player.pause();
    playMusic(timeline.playhead / showFormat.stepsPerSecond);
  }
  showPlaying();
}
function followPlaying() {
  player.addEventListener('play', showPlaying);
  player.addEventListener('pause', showPlaying);
  player.addEventListener('error', (event) => say(event.detail.message));
  showPlaying();
}

const broughtBack = openShow();
addEventListener('hashchange', reopen);
wireTimeline();
wireButtons();
wireMusic();
openMusic(broughtBack);
followPlaying();
fitTimeline(composition.cues.at(-1)?.step ?? 0);
readout.textContent = clockReadout(0);
