// cues.js: the show the editor composes: its cues, which of them are
// selected, and the undo of every edit. No page here: editor.js shows it.
//
// A cue is a burst key at a step, frozen: an edit makes new cues and a new
// list, so that an undo step keeps a list and a selection as they were,
// sharing the cues that did not change. The list is in the show's order:
// by step, and cues at one step in the order they were placed, which is
// the order the firework takes them in.
//
// Every edit is checked against what a show may hold (show_format.js): at
// most 10,000 keys, 64 KB written, and under 36^6 steps (six base-36
// digits) from one key to the next. One that would pass them changes
// nothing, and says why.
'use strict';

const composition = {
  cues: [], // [{id, key, step}], frozen, in the show's order
  selected: new Set(), // the selected cues' ids
  undone: [], // [{cues, selected, what}], the last edit last: what undoing each brings back
  redone: [], // the same, for redo
  undoDepth: 500,
  nextId: 1,
  clipboard: [], // the cues copied, [{key, step}]
};

const newCue = (key, step) => Object.freeze({id: composition.nextId++, key, step});

// Why `cues` cannot be a show, or '' where they can.
function showLimit(cues) {
  if (cues.length > showFormat.maxKeys) return 'a show holds at most 10,000 cues';
  for (let i = 0; i < cues.length; ++i) {
    if (cues[i].step - (i ? cues[i - 1].step : 0) >= 36 ** 6) {
      return 'a cue would be 2,176,782,336 steps or more after the one before it (or the start), past six ' +
        'base-36 digits';
    }
  }
  if (writeShow(cues).length > showFormat.maxText) return 'the show would be longer than 64 KB written';
  return '';
}

// The show as `cues` (in any order: sorted here, stably, by step) and
// `selected` (ids), as one undo step: {said: what}, `what` said of it; or
// {refused: why} it cannot be, with nothing changed. An action that edits
// nothing gives {told: what to say}.
function edit(cues, selected, what) {
  cues.sort((one, other) => one.step - other.step);
  const refused = showLimit(cues);
  if (refused) return {refused: `Not done: ${refused}.`};
  composition.undone.push({cues: composition.cues, selected: composition.selected, what});
  if (composition.undone.length > composition.undoDepth) composition.undone.shift();
  composition.redone = [];
  composition.cues = cues;
  composition.selected = new Set(selected);
  return {said: what};
}

// Undo (`from` the undone list) or redo (the redone list): the cues and
// selection before, and what was undone or redone; null when there is none.
function undoEdit(redo) {
  const [from, to] = redo ? [composition.redone, composition.undone] : [composition.undone, composition.redone];
  const step = from.pop();
  if (!step) return null;
  to.push({cues: composition.cues, selected: composition.selected, what: step.what});
  composition.cues = step.cues;
  composition.selected = step.selected;
  return step.what;
}

// A cue's name, as the page says it: "r at 1.25 s".
const cueName = ({key, step}) => `${key} at ${(step / showFormat.stepsPerSecond).toFixed(2)} s`;
// "r at 1.25 s", or "3 cues".
const cuesName = (cues) => (cues.length === 1 ? cueName(cues[0]) : `${cues.length} cues`);

const selectedCues = () => composition.cues.filter((cue) => composition.selected.has(cue.id));

// The edits. Each returns edit()'s outcome.
function addCue(key, step) {
  const cue = newCue(key, step);
  return edit([...composition.cues, cue], [cue.id], `${cueName(cue)} added`);
}
function removeSelected() {
  const gone = selectedCues();
  if (!gone.length) return {told: 'No cue is selected.'};
  return edit(composition.cues.filter((cue) => !composition.selected.has(cue.id)), [], `${cuesName(gone)} removed`);
}
// The selected cues `steps` later (earlier, below 0) and `lanes` lanes on
// in burstKeys's order, each then at `place(step)` (the nearest beat's,
// while snapping); never before step 0 or out of the lanes.
function moveSelected(steps, lanes = 0, place = (step) => step) {
  const moving = selectedCues();
  if (!moving.length) return {told: 'No cue is selected.'};
  const keys = showFormat.burstKeys;
  const lanesOf = moving.map((cue) => keys.indexOf(cue.key));
  steps = Math.max(steps, -Math.min(...moving.map((cue) => cue.step)));
  lanes = Math.min(Math.max(lanes, -Math.min(...lanesOf)), keys.length - 1 - Math.max(...lanesOf));
  if (steps === 0 && lanes === 0) return {told: ''};
  const moved = new Map(moving.map((cue, i) => [cue.id, newCue(keys[lanesOf[i] + lanes], place(cue.step + steps))]));
  const cues = composition.cues.map((cue) => moved.get(cue.id) ?? cue);
  const ids = [...moved.values()].map((cue) => cue.id);
  return edit(cues, ids, `${cuesName([...moved.values()])} moved`);
}
function copySelected() {
  composition.clipboard = selectedCues().map(({key, step}) => ({key, step}));
  return {told: composition.clipboard.length ? `${cuesName(composition.clipboard)} copied` : 'No cue is selected.'};
}
// The copied cues from step `at` on, as far apart as they were, each then
// at `place(step)`.
function paste(at, place = (step) => step) {
  const copied = composition.clipboard;
  if (!copied.length) return {told: 'Nothing is copied.'};
  const first = copied[0].step;
  const pasted = copied.map(({key, step}) => newCue(key, place(at + step - first)));
  return edit([...composition.cues, ...pasted], pasted.map((cue) => cue.id), `${cuesName(pasted)} pasted`);
}
// Cues of `keys` ([{key, step}]) added as one edit, `what` said of it.
function addCues(keys, what) {
  const added = keys.map(({key, step}) => newCue(key, step));
  return edit([...composition.cues, ...added], added.map((cue) => cue.id), what);
}
// A new show opened, with no undo before it.
function openCues(keys) {
  composition.cues = keys.map(({key, step}) => newCue(key, step));
  composition.selected = new Set();
  composition.undone = [];
  composition.redone = [];
}
