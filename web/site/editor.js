// editor.js: the show editor's page (editor.html). What the editor holds
// is one document (show_document.js): the cues and selection, the playhead
// and play state, the song. The page's parts are its views, each told of
// every change once: the preview, a <firework-player> that shows the
// playhead's step exactly (the picture at step n is the one any player of
// the same show draws at step n); the timeline (timeline.js), which also
// reports what the pointer meant; the song's sound (music.js) and its
// panel (song_panel.js); the readout, the buttons and a polite live
// region; and the address and this device's kept shows (kept_shows.js),
// written at most once every 250 ms and always after the last edit.
//
// Keys work while the timeline has focus (the Keys panel lists them);
// everything they do has a button or a pointer gesture too. This file is
// the page's script: the build bundles it with what it imports.
import {showFormat, parseShow} from '../show_format.js';
import {makeShowDocument, cueName, cuesName, firstFrom} from './show_document.js';
import {makeTimeline} from './timeline.js';
import {clockTime} from './timeline_view.js';
import {music, takeSong, playMusic, stopMusic, musicStep} from './music.js';
import {wireSongPanel} from './song_panel.js';
import {keptPrefix, showAddress, musicInAddress, keptShows, keepShow, songNamed, newShowId, showTitle, throttled}
  from './kept_shows.js';
import {shareAddress, selectPart} from './share.js';
import {wireVideoButton, videoTail, removeLeftVideos} from './video_button.js';

const byId = (id) => document.getElementById(id);
// `action` on each `type` event of the element `id`: a click by default.
const on = (id, action, type = 'click') => byId(id).addEventListener(type, action);
const player = byId('preview');
const noteLine = byId('note');
const doc = makeShowDocument();
const clockReadout = (step) => `${clockTime(step)} · step ${step}`;
const lastStep = () => doc.cues.at(-1)?.step ?? 0;
// The page's storage, where it has one (none: nothing is kept).
const storage = (() => {
  try {
    return localStorage;
  } catch (error) {
    return null;
  }
})();

// A note on the show, a part of it (`selected`) selected to be copied.
function note(text, selected = '') {
  noteLine.textContent = text;
  if (selected) selectPart(noteLine, selected);
}

// The live region: what each change did, at once while stopped; while
// playing, at most twice a second, the last word always said.
const speaking = {line: byId('said'), last: -Infinity, waiting: '', timer: 0};
function speak(text) {
  speaking.waiting = text;
  const wait = doc.play === 'stopped' ? 0 : speaking.last + 500 - performance.now();
  if (wait > 0) {
    speaking.timer ||= setTimeout(spoken, wait);
    return;
  }
  clearTimeout(speaking.timer);
  spoken();
}
function spoken() {
  speaking.timer = 0;
  speaking.line.textContent = speaking.waiting;
  speaking.last = performance.now();
}

// The preview, the readout and the Play button, as views.
function seekPreview(step) {
  player.seek(Math.min(step, showFormat.maxStep)).catch((error) => error.name === 'AbortError' ||
    speak(error.message));
}
doc.subscribe((change) => {
  if (change.said) speak(change.said);
  if (change.cues) {
    player.show = doc.text();
    seekPreview(doc.playhead);
  } else if (change.playhead && (!change.following || doc.play === 'song')) {
    if (player.paused && player.currentStep + 1 === doc.playhead) player.step();
    else if (player.currentStep !== doc.playhead) seekPreview(doc.playhead);
  }
  if (change.playhead && !change.following && doc.play === 'song') playMusic(doc.playhead / showFormat.stepsPerSecond);
  if (change.playhead) byId('readout').textContent = clockReadout(doc.playhead);
  if (change.play) {
    player.paused = doc.play !== 'playing';
    if (doc.play === 'song') playMusic(doc.playhead / showFormat.stepsPerSecond);
    else stopMusic();
    byId('play').textContent = doc.play === 'stopped' ? 'Play' : 'Pause';
    if (doc.play !== 'stopped' && !following) following = requestAnimationFrame(follow);
  }
  if (change.song) songPanel.showMusic();
});
// While playing, the playhead follows the preview, or the song's clock,
// a frame at a time.
let following = 0;
function follow() {
  following = 0;
  if (doc.play === 'stopped') return;
  const step = doc.play === 'song' ? Math.min(musicStep(), showFormat.maxStep) : player.currentStep;
  if (step !== doc.playhead) doc.follow(step);
  following = requestAnimationFrame(follow);
}
function togglePlay() {
  if (doc.play !== 'stopped') doc.setPlay('stopped', `Stopped at ${clockReadout(doc.playhead)}`);
  else doc.setPlay(music.buffer ? 'song' : 'playing');
}
// The element's own pauses and plays (reduced motion, an error) while it
// plays alone.
for (const type of ['play', 'pause']) {
  player.addEventListener(type, () => {
    const state = player.paused ? 'stopped' : 'playing';
    if (doc.play !== 'song' && doc.play !== state) doc.setPlay(state);
  });
}
player.addEventListener('error', (event) => speak(event.detail.message));

// The address and this device's kept shows, after every change of the
// show or its song. A tab writes only its own entry: the one it opened
// from this device, while no other tab has it (a Web Lock of its name),
// else a new one at its first edit.
const keeping = {id: null, owned: false};
const claim = (id) => (!navigator.locks ? Promise.resolve(true) : new Promise((claimed) => {
  navigator.locks.request(keptPrefix + id, {ifAvailable: true}, (lock) => {
    claimed(Boolean(lock));
    return lock && new Promise(() => {}); // held while the tab is open
  }).catch(() => claimed(true));
}));
function own(id) {
  keeping.id = id;
  keeping.owned = false;
  claim(id).then((owned) => {
    if (keeping.id === id) keeping.owned = owned;
  });
}
const songFacts = () => doc.song && {name: doc.song.name, seconds: doc.song.seconds, tempo: doc.song.tempo,
  firstBeat: doc.song.firstBeat};
function persist() {
  const text = doc.text();
  try {
    history.replaceState(history.state, '', showAddress(text, doc.song));
  } catch (error) {
    // A browser's limit on address changes: the next write catches up.
  }
  byId('open-main').href = 'index.html' + showFormat.prefix + text;
  if (!storage) return;
  if (!keeping.id || !keeping.owned) {
    own(newShowId(Date.now()));
    keeping.owned = true; // new: no other tab knows it
    try {
      sessionStorage.setItem('firework-editor-entry', keeping.id);
    } catch (error) {
      // A reload opens the show from the address all the same.
    }
  }
  keepShow(storage, keeping.id, {show: text, music: songFacts(), edited: Date.now(), steps: lastStep(),
    cues: doc.cues.length});
  listShows();
}
const schedulePersist = throttled(persist, 250, {now: () => performance.now(),
  later: (run, ms) => setTimeout(run, ms)});
doc.subscribe((change) => (change.cues || change.song) && change.keep && schedulePersist());

// "Your shows": the other shows kept on this device, as links, the last
// edited first; kept up to date as other tabs edit theirs.
function listShows() {
  const others = storage ? keptShows(storage).filter((show) => show.id !== keeping.id) : [];
  byId('your-shows').hidden = !others.length;
  byId('your-shows-list').replaceChildren(...others.map((show) => {
    const item = document.createElement('li');
    const link = document.createElement('a');
    link.href = 'editor.html' + showAddress(show.show, show.music);
    link.textContent = showTitle(show);
    link.addEventListener('click', (event) => {
      event.preventDefault();
      try {
        sessionStorage.setItem('firework-editor-entry', show.id);
      } catch (error) {
        // Opened from its address alone: a new entry at its first edit.
      }
      // Opened as itself, not as a show typed into this one's address.
      history.replaceState(history.state, '', link.href);
      location.reload();
    });
    item.append(link);
    return item;
  }));
}
addEventListener('storage', (event) => (event.key === null || event.key.startsWith(keptPrefix)) && listShows());

// The show in the address, or else the last one edited on this device; a
// show that cannot be read leaves the editor empty and the address as it
// is until the first edit. A tab reloaded keeps its entry.
function openShow() {
  const show = parseShow(location.hash);
  note(show?.error ? `The show in the address could not be read: ${show.error}.` : '');
  const shows = storage ? keptShows(storage) : [];
  let entry = null;
  if (show?.keys) {
    let mine = null;
    try {
      mine = sessionStorage.getItem('firework-editor-entry');
    } catch (error) {
      // No session: the show is a new entry at its first edit.
    }
    entry = shows.find((kept) => kept.id === mine && kept.show === show.text) ?? null;
  } else if (!show) {
    entry = shows.find((kept) => readShow(kept.show)?.keys?.length) ?? null;
  }
  const keys = show?.keys ?? (entry ? readShow(entry.show).keys : []);
  const named = musicInAddress(location.hash) ?? entry?.music ?? null;
  const song = named && {name: named.name, seconds: named.seconds, here: false, tempo: named.tempo ?? 0,
    firstBeat: named.firstBeat ?? 0, snap: false};
  doc.open(keys, song);
  if (entry) own(entry.id);
  if (entry && !show) {
    try {
      history.replaceState(history.state, '', showAddress(entry.show, song));
    } catch (error) {
      // The address catches up at the first edit.
    }
    note(`Brought back the last show edited on this device: ${cuesName(keys)}.`);
  }
  byId('open-main').href = 'index.html' + showFormat.prefix + doc.text();
  listShows();
}
const readShow = (text) => parseShow(showFormat.prefix + text);

// A show typed or pasted into the address opens as one undo step.
addEventListener('hashchange', () => {
  const show = parseShow(location.hash);
  if (!show) return;
  if (show.error) return note(`The show in the address could not be read: ${show.error}.`);
  if (show.text === doc.text()) return;
  const named = musicInAddress(location.hash);
  const song = named?.name === doc.song?.name ? doc.song : named && {...named, here: false, tempo: 0, firstBeat: 0,
    snap: false};
  if (song !== doc.song) takeSong(null);
  doc.setPlay('stopped');
  doc.open(show.keys, song, {undoable: true, said: `The show in the address opened: ${cuesName(show.keys)}`});
  note('');
  timeline.fit();
  if (song && !song.here) songPanel.openMusic();
});

// The editing actions.
const snapping = () => (doc.song?.snap && doc.song.tempo ? doc.snapStep : null);
const addCue = (key, step) => doc.addCues([{key, step: doc.snapStep(step)}]);
const selectAll = () => doc.select(doc.cues.map((cue) => cue.id), `${doc.cues.length} cues selected`);
const paste = () => doc.paste(doc.playhead, doc.snapStep);
function seekTo(step, tell = true) {
  const target = Math.min(showFormat.maxStep, Math.max(0, Math.round(step)));
  doc.seek(target, tell ? `Playhead at ${clockReadout(target)}` : '');
}
// Alt+Left and Alt+Right: the cue before or after the playhead (or the
// active cue), selected, with the playhead on it.
function selectNext(direction) {
  const {cues} = doc;
  const active = cues.findIndex((cue) => cue.id === timeline.active);
  const here = active >= 0 && cues[active].step === doc.playhead ? active
    : direction > 0 ? firstFrom(cues, doc.playhead + 1) - 1 : firstFrom(cues, doc.playhead);
  const cue = cues[here + direction];
  if (!cue) return doc.say(direction > 0 ? 'No cue after the playhead.' : 'No cue before the playhead.');
  doc.commit({select: [cue.id], playhead: cue.step, said: `${cueName(cue)} selected`});
}

// The keys of the timeline; Cmd stands for Ctrl on macOS. A key held down
// acts once: its repeats add no cues and paste nothing.
function onKey(event) {
  const command = event.ctrlKey || event.metaKey;
  const letter = event.key.length === 1 ? event.key.toLowerCase() : event.key;
  const once = (action) => () => event.repeat || action();
  // Each key's action; those of Ctrl and a letter are none without Ctrl.
  const actions = {
    ' ': !command && togglePlay,
    b: !command && !event.altKey && (() => songPanel.toggleSnap()),
    ArrowLeft: () => arrow(-1),
    ArrowRight: () => arrow(1),
    ArrowUp: command && (() => doc.moveSelected(0, -1)),
    ArrowDown: command && (() => doc.moveSelected(0, 1)),
    Home: () => seekTo(0),
    End: () => seekTo(lastStep()),
    Delete: doc.removeSelected,
    Backspace: doc.removeSelected,
    Escape: () => doc.select([], 'No cue selected.'),
    a: command && selectAll,
    c: command && doc.copySelected,
    v: command && once(paste),
    z: command && (() => (event.shiftKey ? doc.redo() : doc.undo())),
    y: command && doc.redo,
  };
  function arrow(direction) {
    const steps = direction * (event.shiftKey ? showFormat.stepsPerSecond : 1);
    const beat = event.shiftKey && snapping();
    if (event.altKey) selectNext(direction);
    else if (command && beat) doc.moveSelected(Math.round(direction * 3600 / doc.song.tempo), 0, snapping());
    else if (command) doc.moveSelected(steps, 0, snapping());
    else seekTo(doc.playhead + steps);
  }
  const burst = !command && !event.altKey && showFormat.burstKeys.includes(event.key);
  const action = burst ? once(() => addCue(event.key, doc.playhead)) : actions[letter];
  if (!action) return;
  action();
  event.preventDefault();
}

// The timeline, and what its pointer means. A burst button held down
// makes a tap on its lane add a cue there.
const heldBursts = new Map(); // burst buttons held down: key → whether a tap used the hold
const timeline = makeTimeline({box: byId('timeline'), canvas: byId('timeline-canvas'), head: byId('playhead'),
  options: byId('timeline-cues')}, doc, () => music.peaks, {
  scrub: (step, done) => seekTo(step, done),
  seek: (step, {keep}) => (keep || !doc.selected.size ? seekTo(step) :
    doc.commit({select: [], playhead: step, said: `Playhead at ${clockReadout(step)}`})),
  tapLane(key, step) {
    if (!heldBursts.has(key)) return false;
    heldBursts.set(key, true);
    addCue(key, step);
    return true;
  },
  select: (ids, said) => doc.select(ids, said),
  move: (steps, lanes) => doc.moveSelected(steps, lanes, snapping()),
  add: addCue,
});
byId('timeline').addEventListener('keydown', onKey);

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
      if (!heldBursts.get(key)) addCue(key, doc.playhead);
      heldBursts.delete(key);
    });
  }
  on('play', togglePlay);
  on('undo', doc.undo);
  on('redo', doc.redo);
  on('remove', doc.removeSelected);
  on('select-all', selectAll);
  on('copy', doc.copySelected);
  on('paste', paste);
  on('zoom-in', () => timeline.zoom(2, timeline.xOf(doc.playhead)));
  on('zoom-out', () => timeline.zoom(0.5, timeline.xOf(doc.playhead)));
  on('fit', timeline.fit);
  on('share', () => shareAddress(location.href, note));
  on('embed', copyEmbed);
  wireVideoButton(player, () => ({keys: doc.cues, song: music.buffer,
    frames: Math.max(lastStep() + videoTail, Math.ceil((music.buffer?.duration ?? 0) * 60))}), speak);
}

// "Copy embed code": this site's element and the show, to paste in a page.
async function copyEmbed() {
  const script = new URL('firework-player.js', location.href).href;
  const code = `<script src="${script}"></script>\n` +
    `<firework-player show="${doc.text()}" autoplay loop></firework-player>`;
  try {
    await navigator.clipboard.writeText(code);
    note('The embed code is copied to the clipboard.');
  } catch (error) {
    note(`Copy the embed code: ${code}`, code);
  }
}

const songPanel = wireSongPanel({doc, player, note, kept: () => Boolean(keeping.id),
  namedElsewhere: (name) => Boolean(storage && songNamed(storage, name, keeping.id))});
openShow();
wireButtons();
songPanel.showMusic();
timeline.fit();
doc.setPlay(player.paused || doc.song ? 'stopped' : 'playing');
if (doc.song) songPanel.openMusic();
removeLeftVideos().catch(() => {});
// The editor's document and timeline, for the browser's console.
window.showEditor = {doc, timeline, music};
