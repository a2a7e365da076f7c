// The shows kept on this device, each tab its own, the address written at
// most every 250 ms, and the timeline's geometry.
import test from 'node:test';
import assert from 'node:assert/strict';
import {keptShows, keepShow, songNamed, showAddress, musicInAddress, showTitle, throttled}
  from '../../../web/site/kept_shows.js';
import {hitTest, boxed, rulerSpacing, fitted, xOf} from '../../../web/site/timeline_view.js';
import {tapTempo} from '../../../web/site/music.js';

// localStorage as a browser has it, full past `room` characters.
function fakeStorage(room = Infinity) {
  const items = new Map();
  const used = () => [...items].reduce((sum, [key, value]) => sum + key.length + value.length, 0);
  return {
    get length() {
      return items.size;
    },
    key: (i) => [...items.keys()][i] ?? null,
    getItem: (key) => items.get(key) ?? null,
    setItem(key, value) {
      const before = items.get(key);
      items.set(key, String(value));
      if (used() > room) {
        if (before === undefined) items.delete(key);
        else items.set(key, before);
        throw Object.assign(new Error('full'), {name: 'QuotaExceededError'});
      }
    },
    removeItem: (key) => items.delete(key),
  };
}
const entry = (show, edited, music = null) => ({show, music, edited, steps: 0, cues: 1});

test('each tab keeps its own entry; the newest 30 stay, and a full storage gives up the oldest', () => {
  const storage = fakeStorage();
  storage.setItem('firework-editor-show', '1.R'); // kept before shows were kept apart
  assert.deepEqual(keptShows(storage).map((show) => show.id), ['earlier']);
  keepShow(storage, 'mine', entry('1.W', 1, {name: 'song.mp3', seconds: 8}));
  keepShow(storage, 'friend', entry('1.A', 2));
  keepShow(storage, 'mine', entry('1.WA', 3, {name: 'song.mp3', seconds: 8}));
  assert.deepEqual(keptShows(storage).map(({id, show}) => id + show), ['mine1.WA', 'friend1.A']);
  assert.ok(songNamed(storage, 'song.mp3', 'friend') && !songNamed(storage, 'song.mp3', 'mine'));
  for (let i = 0; i < 40; ++i) keepShow(storage, `tab${i}`, entry('1.S', 10 + i));
  assert.equal(keptShows(storage).length, 30);
  assert.equal(keptShows(storage)[0].id, 'tab39');

  const small = fakeStorage(400);
  for (let i = 0; i < 5; ++i) assert.ok(keepShow(small, `tab${i}`, entry('1.' + 'R'.repeat(40), i)));
  assert.deepEqual(keptShows(small).map((show) => show.id).slice(0, 2), ['tab4', 'tab3']);
  assert.ok(!keepShow(fakeStorage(10), 'alone', entry('1.R', 0)));
});

test('the address names the song whether or not this device has it; a kept show is named by its length', () => {
  const address = showAddress('1.RA1e', {name: 'a, b & c.mp3', seconds: 8});
  assert.equal(address, '#show=1.RA1e&music=a%2C%20b%20%26%20c.mp3,8.00');
  assert.deepEqual(musicInAddress(address), {name: 'a, b & c.mp3', seconds: 8});
  assert.equal(musicInAddress('#show=1.R&music=%E0,1'), null);
  assert.equal(showTitle({steps: 2760, cues: 1, music: {name: 'song.mp3'}}), '0:46 · 1 cue · song.mp3');
  assert.equal(showTitle({steps: 60 * 3725, cues: 9, music: null}), '1:02:05 · 9 cues');
});

test('300 quick edits write the address at most every 250 ms, the last edit always', () => {
  let now = 0;
  const timers = [];
  const writes = [];
  let edit = 0;
  const schedule = throttled(() => writes.push({at: now, edit}), 250,
    {now: () => now, later: (run, ms) => timers.push({run, at: now + ms})});
  for (; edit < 300; now += 7) {
    ++edit;
    schedule();
    for (const timer of timers.filter((due) => due.at <= now)) timers.splice(timers.indexOf(timer), 1) && timer.run();
  }
  while (timers.length) {
    const timer = timers.shift();
    now = timer.at;
    timer.run();
  }
  assert.ok(writes.every((write, i) => !i || write.at - writes[i - 1].at >= 250));
  assert.equal(writes.at(-1).edit, 300);
  assert.ok(writes.at(-1).at - 299 * 7 <= 250);
});

test('the timeline finds the cue under a point, the cues in a box, and labels 80 px apart at every zoom', () => {
  const view = {start: 0, perStep: 2, width: 600, ruler: 28, lane: 28};
  const cues = [{id: 1, key: 'w', step: 10}, {id: 2, key: 'w', step: 14}, {id: 3, key: 's', step: 12}];
  assert.equal(hitTest(view, cues, 27, 40, 6).cue.id, 2);
  assert.equal(hitTest(view, cues, 25, 70, 6).cue.id, 3);
  assert.deepEqual(hitTest(view, cues, 100, 10, 6), {part: 'ruler', step: 50});
  assert.equal(hitTest(view, cues, 100, 40, 6).cue, null);
  assert.deepEqual(boxed(view, cues, {x0: 15, y0: 30, x1: 30, y1: 70}), [1, 2, 3]);
  assert.deepEqual(boxed(view, cues, {x0: 15, y0: 30, x1: 26, y1: 50}), [1]);
  for (const perStep of [24, 1, 1 / 4096, 600 / 2e10]) assert.ok(rulerSpacing({perStep}) * perStep >= 80);
  const fit = fitted(600, 3000);
  assert.ok(xOf(fit, 3000) < 600 && xOf(fit, 3000) > 550);
});

test('tap tempo counts the taps of the last two seconds', () => {
  let taps = [];
  const tempos = [0, 0.5, 1, 1.5, 10, 10.4].map((now) => Math.round(({taps} = tapTempo(taps, now)).tempo));
  assert.deepEqual(tempos, [0, 120, 120, 120, 0, 150]);
});
