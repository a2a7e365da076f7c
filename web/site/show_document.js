// show_document.js: the one document of the show editor: everything the
// editor holds, each fact once. No page here: views subscribe to it.
//
// - The show: its cues, burst keys at steps, and which are selected.
// - The playhead, and the play state: stopped, playing (the preview on its
//   own) or song (the preview following the song's clock).
// - The song the show is made to: its name and length, whether this device
//   has its sound, its tempo and first beat, and whether cues snap to them.
//
// Every change goes through commit(), which checks the show against the
// format's limits (showLimit, the reader's own), records its undo, applies
// it and tells each subscriber once what changed and what to say. An edit
// past the limits changes nothing and is said; an action that edits
// nothing (nothing selected, a move that cannot go further) is only said.
//
// A cue is {id, key, step}, frozen. The list is in the show's order: by
// step, and cues at one step by id, which is the order they were placed
// in: the order the firework takes them in. A move keeps a cue's id, so
// undoing it puts the cue back in its place among the others.
//
// Undo keeps what changed, not the show: a move keeps the ids it moved and
// by how much (one number when every cue moved alike), an addition the ids
// added, a removal the cues removed. 500 moves of 10,000 cues hold some
// 20 MB, snapped to beats (a shift a cue) or not. Depth: 500 steps.
import {showFormat, showLimit, writeShow} from '../show_format.js';

const undoDepth = 500;

// A cue's name, as the page says it: "r at 1.25 s"; of several, "3 cues".
export const cueName = ({key, step}) => `${key} at ${(step / showFormat.stepsPerSecond).toFixed(2)} s`;
export const cuesName = (cues) => (cues.length === 1 ? cueName(cues[0]) : `${cues.length} cues`);

const byShowOrder = (one, other) => one.step - other.step || one.id - other.id;

// The first cue at or after `step` in `cues`, in the show's order.
export function firstFrom(cues, step) {
  let [low, high] = [0, cues.length];
  while (low < high) {
    const middle = (low + high) >> 1;
    if (cues[middle].step < step) low = middle + 1;
    else high = middle;
  }
  return low;
}

// The beats' steps (fractional) from `from` to `to` of a song of `tempo`
// beats a minute from `firstBeat` seconds on, with their numbers (0: the
// first beat).
export function beatsBetween({tempo, firstBeat}, from, to) {
  if (!tempo) return [];
  const spacing = 3600 / tempo; // steps a beat
  const first = firstBeat * showFormat.stepsPerSecond;
  const beats = [];
  for (let n = Math.max(0, Math.ceil((from - first) / spacing)); first + n * spacing <= to; ++n) {
    beats.push({step: first + n * spacing, n});
  }
  return beats;
}

// A new document, with no show, no song and nothing to undo.
export function makeShowDocument() {
  const listeners = new Set();
  let nextId = 1;
  const newCue = (key, step, id = nextId++) => Object.freeze({id, key, step});
  const doc = {
    cues: [],
    selected: new Set(), // ids; never changed in place, so that undo may keep it
    playhead: 0,
    play: 'stopped', // 'stopped' | 'playing' | 'song'
    // {name, seconds, here, tempo, firstBeat, snap}, or null; `here`: this
    // device has the song's sound.
    song: null,
    clipboard: [], // [{key, step}]
    undone: [], // what undoing each edit brings back, the last edit last
    redone: [],
  };

  // Calls `listener(change)` after every change, until the function it
  // returns is called. `change`: {cues, selection, playhead, play, song}
  // (true where that changed), `from` (the first step whose show
  // changed), `said` (what to say, or ''), `following` (the playhead
  // moved by playing), `keep` (false: nothing the visitor did, such as a
  // show opened, which the address and the device need not take).
  doc.subscribe = (listener) => {
    listeners.add(listener);
    return () => listeners.delete(listener);
  };
  const tell = (change) => {
    for (const listener of listeners) listener(change);
  };

  const selectedCues = () => doc.cues.filter((cue) => doc.selected.has(cue.id));
  doc.text = () => writeShow(doc.cues);

  // The cue edits, each undone by another: {remove: Set of ids, cues: the
  // cues removed, add: [cues]} (either part, or both), and {move: Int32Array
  // of ids, steps, lanes} (numbers, or per cue). `apply` gives the cues
  // after and the inverse.
  function apply(cues, edit) {
    const keys = showFormat.burstKeys;
    if (edit.add || edit.remove) {
      const kept = edit.remove ? cues.filter((cue) => !edit.remove.has(cue.id)) : cues;
      const after = edit.add ? [...kept, ...edit.add].sort(byShowOrder) : kept;
      const added = edit.add && new Set(edit.add.map((cue) => cue.id));
      return {cues: after, inverse: {remove: added, cues: edit.add, add: edit.cues}};
    }
    const {move, steps, lanes} = edit;
    const index = new Map();
    move.forEach((id, i) => index.set(id, i));
    const of = (values, i) => (typeof values === 'number' ? values : values[i]);
    const moved = cues.map((cue) => {
      const i = index.get(cue.id);
      if (i === undefined) return cue;
      return newCue(keys[keys.indexOf(cue.key) + of(lanes, i)], cue.step + of(steps, i), cue.id);
    });
    const negate = (values) => (typeof values === 'number' ? -values : values.map((value) => -value));
    return {cues: moved.sort(byShowOrder), inverse: {move, steps: negate(steps), lanes: negate(lanes)}};
  }

  // The one way in. `change`: `edit` (a cue edit above), `select` (ids),
  // `song` (fields of the song, or null for none), `playhead` (a step),
  // `play` (a state); `said`, what to say; `undoable` (the default for an
  // edit, a selection with it and a song's beats), else the change is
  // made with no undo step; `following`; `keep`. Returns {said} or, refused,
  // {refused: why}, with nothing changed.
  doc.commit = (change) => {
    const {edit = null, said = '', following = false} = change;
    let cues = doc.cues;
    let inverse = null;
    if (edit) {
      ({cues, inverse} = apply(doc.cues, edit));
      const refused = showLimit(cues);
      if (refused) {
        tell({said: `Not done: ${refused}.`});
        return {refused: `Not done: ${refused}.`};
      }
    }
    const undoable = change.undoable ?? Boolean(edit || change.song);
    if (undoable) {
      doc.undone.push(undoStep(inverse, change, said));
      if (doc.undone.length > undoDepth) doc.undone.shift();
      doc.redone = [];
    }
    const from = edit ? firstChanged(doc.cues, cues) : Infinity;
    return made(cues, change, from, said, following);
  };

  // What undoing `change` brings back: the cue edit's inverse, the
  // selection and the song's fields before.
  function undoStep(inverse, change, said) {
    const song = change.song === undefined ? undefined :
      change.song === null || !doc.song ? doc.song : Object.fromEntries(Object.keys(change.song)
        .map((name) => [name, doc.song[name]]));
    return {edit: inverse, select: change.select || inverse ? doc.selected : undefined, song, said};
  }

  function made(cues, change, from, said, following) {
    const cuesChanged = cues !== doc.cues;
    doc.cues = cues;
    if (change.select) doc.selected = change.select instanceof Set ? change.select : new Set(change.select);
    if (change.song !== undefined) {
      doc.song = change.song && doc.song ? {...doc.song, ...change.song} : change.song;
    }
    if (change.playhead !== undefined) {
      doc.playhead = Math.min(showFormat.maxStep, Math.max(0, Math.round(change.playhead)));
    }
    if (change.play) doc.play = change.play;
    tell({cues: cuesChanged, selection: Boolean(change.select), song: change.song !== undefined,
      playhead: change.playhead !== undefined, play: Boolean(change.play), from, said, following,
      keep: change.keep ?? true});
    return {said};
  }

  // The first step whose keys differ between two lists in the show's order.
  function firstChanged(before, after) {
    let i = 0;
    while (i < before.length && i < after.length && before[i] === after[i]) ++i;
    return Math.min(before[i]?.step ?? Infinity, after[i]?.step ?? Infinity);
  }

  // Undo, or redo: the show, selection and song before; false where there
  // is nothing to undo.
  function undo(redo) {
    const [from, to] = redo ? [doc.redone, doc.undone] : [doc.undone, doc.redone];
    const step = from.pop();
    if (!step) {
      tell({said: redo ? 'Nothing to redo.' : 'Nothing to undo.'});
      return false;
    }
    const said = `${redo ? 'Redone' : 'Undone'}: ${step.said}`;
    const {cues, inverse} = step.edit ? apply(doc.cues, step.edit) : {cues: doc.cues, inverse: null};
    to.push(undoStep(inverse, step, step.said));
    made(cues, step, step.edit ? firstChanged(doc.cues, cues) : Infinity, said, false);
    return true;
  }
  doc.undo = () => undo(false);
  doc.redo = () => undo(true);

  // Said, with nothing changed.
  const told = (said) => {
    tell({said});
    return {told: said};
  };
  doc.say = told;

  // A show opened: `keys` ([{key, step}], in order), with its song, or
  // none; as an undo step where `undoable` (a show typed into the
  // address), else with nothing to undo before it.
  doc.open = (keys, song = null, {undoable = false, said = ''} = {}) => {
    const added = keys.map(({key, step}) => newCue(key, step));
    const opened = {select: [], song, playhead: 0, said, keep: undoable};
    if (undoable) {
      const all = new Set(doc.cues.map((cue) => cue.id));
      return doc.commit({...opened, edit: {remove: all, cues: doc.cues, add: added}});
    }
    Object.assign(doc, {undone: [], redone: []});
    return made(added, opened, 0, said, false);
  };

  // The edits, each commit()'s outcome.
  doc.addCues = (keys, said) => {
    const added = keys.map(({key, step}) => newCue(key, step));
    return doc.commit({edit: {add: added}, select: added.map((cue) => cue.id),
      said: said ?? `${cuesName(added)} added`});
  };
  doc.removeSelected = () => {
    const gone = selectedCues();
    if (!gone.length) return told('No cue is selected.');
    return doc.commit({edit: {remove: new Set(doc.selected), cues: gone}, select: [],
      said: `${cuesName(gone)} removed`});
  };
  // The selected cues `steps` later (earlier, below 0) and `lanes` lanes on
  // in burstKeys's order, each then at `place(step)` (the nearest beat's,
  // while snapping); never before step 0 or out of the lanes.
  doc.moveSelected = (steps, lanes = 0, place = null) => {
    const moving = selectedCues();
    if (!moving.length) return told('No cue is selected.');
    const keys = showFormat.burstKeys;
    const lanesOf = moving.map((cue) => keys.indexOf(cue.key));
    steps = Math.max(steps, -Math.min(...moving.map((cue) => cue.step)));
    lanes = Math.min(Math.max(lanes, -Math.min(...lanesOf)), keys.length - 1 - Math.max(...lanesOf));
    const shifts = place && Float64Array.from(moving, (cue) => place(cue.step + steps) - cue.step);
    const perCue = shifts && (shifts.every((shift) => Math.abs(shift) < 2 ** 31) ? Int32Array.from(shifts) : shifts);
    if (perCue ? perCue.every((value) => value === 0) && lanes === 0 : steps === 0 && lanes === 0) {
      return told('The selected cues can go no further.');
    }
    const moved = moving.map((cue, i) => ({key: keys[lanesOf[i] + lanes],
      step: cue.step + (perCue ? perCue[i] : steps)}));
    return doc.commit({edit: {move: Int32Array.from(moving, (cue) => cue.id), steps: perCue ?? steps, lanes},
      said: `${cuesName(moved)} moved`});
  };
  doc.copySelected = () => {
    doc.clipboard = selectedCues().map(({key, step}) => ({key, step}));
    return told(doc.clipboard.length ? `${cuesName(doc.clipboard)} copied` : 'No cue is selected.');
  };
  // The copied cues from step `at` on, as far apart as they were, each then
  // at `place(step)`.
  doc.paste = (at, place = (step) => step) => {
    const copied = doc.clipboard;
    if (!copied.length) return told('Nothing is copied.');
    const first = copied[0].step;
    const pasted = copied.map(({key, step}) => ({key, step: place(at + step - first)}));
    return doc.addCues(pasted, `${cuesName(pasted)} pasted`);
  };
  doc.select = (ids, said = '') => doc.commit({select: ids, said});
  doc.seek = (step, said = '') => doc.commit({playhead: step, said});
  doc.follow = (step) => doc.commit({playhead: step, following: true});
  doc.setPlay = (play, said = '') => doc.commit({play, said});

  // The song's beats: `step`, or the nearest beat's while snapping.
  doc.snapStep = (step) => {
    const {song} = doc;
    if (!song?.snap || !song.tempo) return step;
    const spacing = 3600 / song.tempo;
    const first = song.firstBeat * showFormat.stepsPerSecond;
    return Math.max(0, Math.round(first + Math.max(0, Math.round((step - first) / spacing)) * spacing));
  };
  doc.beatsBetween = (from, to) => (doc.song ? beatsBetween(doc.song, from, to) : []);
  return doc;
}
