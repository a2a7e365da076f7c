// The show format's limits and the editor's document: edits, their undo
// and redo, refusals past the limits, the song's beats, and what undo holds.
import test from 'node:test';
import assert from 'node:assert/strict';
import {readShow, writeShow, showLimit} from '../../../web/show_format.js';
import {makeShowDocument} from '../../../web/site/show_document.js';

// A document holding `text`, and what its subscribers were told.
function opened(text) {
  const doc = makeShowDocument();
  doc.open(readShow(text).keys);
  const told = [];
  doc.subscribe((change) => told.push(change));
  return {doc, told};
}

test('the reader and an edit refuse the same shows', () => {
  const gaps = (gap, count) => Array.from({length: count}, (_, i) => ({key: 'w', step: (i + 1) * gap}));
  const cases = [[gaps(1, 10000), true], [gaps(1, 10001), false], [gaps(36 ** 6 - 1, 1), true],
    [gaps(36 ** 6, 1), false], [gaps(36 ** 5, 9362), true], [gaps(36 ** 5, 9363), false]];
  for (const [keys, fits] of cases) {
    assert.equal(showLimit(keys) === '', fits);
    assert.equal(!readShow(writeShow(keys)).error, fits);
  }
  assert.match(readShow('2.R').error, /version 2/);
  assert.match(readShow('1.RA-1').error, /backwards/);
});

test('edits are undone and redone with their selection, and cues at one step keep their order', () => {
  const {doc, told} = opened('1.RA1oD2');
  doc.select([1, 2]);
  doc.copySelected();
  doc.paste(100);
  assert.equal(doc.text(), '1.RA1oD2R12A1o');
  doc.select([2]);
  doc.moveSelected(-40);
  assert.equal(doc.text(), '1.RAkD16R12A1o');
  doc.moveSelected(0, 1); // a becomes d, the lane below
  assert.equal(doc.text(), '1.RDkD16R12A1o');
  doc.removeSelected();
  assert.equal(doc.text(), '1.RD1qR12A1o');
  for (let i = 0; i < 3; ++i) doc.undo();
  assert.equal(doc.text(), '1.RA1oD2R12A1o');
  assert.deepEqual([...doc.selected], [2]);
  assert.equal(told.at(-1).said, 'Undone: a at 0.33 s moved');
  assert.equal(told.at(-1).from, 20);
  doc.undo();
  assert.equal(doc.text(), '1.RA1oD2');
  assert.deepEqual([...doc.selected], [1, 2]);
  doc.redo();
  doc.redo();
  assert.equal(doc.text(), '1.RAkD16R12A1o');
  // Placed a cue at a time (on beats): undone to the step.
  doc.select(doc.cues.map((cue) => cue.id));
  doc.moveSelected(3, 0, (step) => 10 * Math.round(step / 10));
  assert.equal(doc.text(), '1.RAkD1eRuA1o');
  doc.undo();
  assert.equal(doc.text(), '1.RAkD16R12A1o');
  // Two cues at one step go back in the order they were placed.
  doc.open(readShow('1.RA').keys);
  doc.select([2]);
  doc.moveSelected(5);
  doc.undo();
  assert.equal(doc.text(), '1.RA');
});

test('an edit past the limits, or one that edits nothing, changes nothing and is said', () => {
  const {doc, told} = opened('1.' + 'W1'.repeat(10000));
  assert.equal(doc.addCues([{key: 'r', step: 0}]).refused, 'Not done: a show holds at most 10,000 cues.');
  assert.equal(doc.cues.length, 10000);
  assert.equal(doc.undone.length, 0);
  assert.equal(doc.removeSelected().told, 'No cue is selected.');
  doc.select([1]);
  assert.equal(doc.moveSelected(0, -1).told, 'The selected cues can go no further.');
  assert.equal(told.filter((change) => change.cues).length, 0);
});

test('tempo and first beat are undo steps; snapping places cues on the nearest beat', () => {
  const {doc} = opened('1.');
  doc.commit({song: {name: 'click.wav', seconds: 8, here: true, tempo: 0, firstBeat: 0, snap: false}, undoable: false});
  doc.commit({song: {tempo: 120, firstBeat: 0.25, snap: true}});
  assert.equal(doc.snapStep(100), 105);
  assert.deepEqual(doc.beatsBetween(0, 80).map(({step}) => step), [15, 45, 75]);
  doc.commit({song: {firstBeat: 0.5}});
  doc.undo();
  assert.equal(doc.song.firstBeat, 0.25);
  doc.undo();
  assert.deepEqual([doc.song.tempo, doc.song.snap, doc.snapStep(100)], [0, false, 100]);
  doc.redo();
  assert.equal(doc.song.tempo, 120);
});

test('a show opened as an undo step brings the one before it back', () => {
  const {doc} = opened('1.RW1o');
  doc.open(readShow('1.RAa').keys, null, {undoable: true, said: 'opened'});
  assert.equal(doc.text(), '1.RAa');
  doc.undo();
  assert.equal(doc.text(), '1.RW1o');
});

test('500 moves of 10,000 selected cues hold within 64 MB', {skip: !globalThis.gc && 'needs --expose-gc'}, () => {
  const {doc} = opened('1.' + 'W1'.repeat(10000));
  doc.select(doc.cues.map((cue) => cue.id));
  const used = () => {
    gc();
    const {heapUsed, arrayBuffers} = process.memoryUsage();
    return heapUsed + arrayBuffers;
  };
  const before = used();
  // Each cue placed on its own (the worst case: a shift a cue), as on beats.
  for (let i = 0; i < 500; ++i) doc.moveSelected(1, 0, (step) => step + (step % 2));
  const grown = (used() - before) / 2 ** 20;
  assert.equal(doc.undone.length, 500);
  assert.ok(grown < 64, `${grown.toFixed(1)} MB`);
});
