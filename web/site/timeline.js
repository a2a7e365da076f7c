// timeline.js: the editor's timeline, drawn. A ruler in seconds (and steps,
// zoomed in) over seven lanes, one per burst key in burstKeys's order; a
// cue is a mark in its burst's lane at its step, and the playhead a line
// at the preview's step.
//
// The ruler, lanes and cues are drawn on one canvas, in a frame, however
// many asks come before it: a 10,000-cue show is a few milliseconds at any
// zoom, since only the cues in view are drawn (found by binary search) and,
// zoomed out, one mark a pixel column a lane. The playhead is an element
// of its own, moved alone as the preview plays.
//
// The timeline is a listbox for assistive technology: its options are the
// cues in view (up to `named`, those nearest the playhead), each named as
// "r at 1.25 s", and the last cue selected is its active one.
//
// Units: steps (60 a second) along the time axis, CSS pixels on screen;
// `perStep` is pixels per step.
'use strict';

const timeline = {
  box: document.getElementById('timeline'),
  canvas: document.getElementById('timeline-canvas'),
  head: document.getElementById('playhead'),
  options: document.getElementById('timeline-cues'),
  start: 0, // the step at the left edge, fractional
  perStep: 2,
  minPerStep: 1 / 4096,
  maxPerStep: 24, // zoomed in all the way: single steps, wide enough to tap
  ruler: 28, // the ruler's height
  lane: 28, // a lane's height; 44 under a finger
  width: 0,
  playhead: 0,
  drag: null, // cues being dragged: {ids, steps, lanes}, drawn where they would go
  marquee: null, // a selection being drawn: {x0, y0, x1, y1}
  named: 100,
  colours: ['#8cf', '#f86', '#fc6', '#8f8', '#c8f', '#6ee', '#fff'],
  asked: false,
  active: 0, // the id of the cue last selected
};

const stepAt = (x) => timeline.start + x / timeline.perStep;
const xOf = (step) => (step - timeline.start) * timeline.perStep;
// The first cue at or after `step` in the sorted list.
function firstFrom(cues, step) {
  let [low, high] = [0, cues.length];
  while (low < high) {
    const middle = (low + high) >> 1;
    if (cues[middle].step < step) low = middle + 1;
    else high = middle;
  }
  return low;
}

// Asks for the timeline to be drawn in the next frame.
function drawTimeline() {
  if (timeline.asked) return;
  timeline.asked = true;
  requestAnimationFrame(() => {
    timeline.asked = false;
    paintTimeline();
  });
}

// The steps from `start` to the end of the view.
const viewSteps = () => timeline.width / timeline.perStep;

// Ruler marks: the spacing in steps that leaves some 80 pixels between
// labels.
const rulerSpacings = [1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1200, 3600, 7200, 18000, 36000, 108000, 216000,
  648000, 1296000, 5184000, 25920000, 129600000, 648000000];
const clockTime = (step) => {
  const seconds = step / showFormat.stepsPerSecond;
  const minutes = Math.floor(seconds / 60);
  const rest = seconds - 60 * minutes;
  return `${minutes}:${rest < 10 ? '0' : ''}${rest.toFixed(2)}`;
};

function paintTimeline() {
  const {canvas, ruler, lane} = timeline;
  const width = timeline.box.clientWidth;
  const height = ruler + 7 * lane + musicLaneHeight();
  timeline.width = width;
  const scale = devicePixelRatio;
  if (canvas.width !== Math.round(width * scale) || canvas.height !== Math.round(height * scale)) {
    [canvas.width, canvas.height] = [Math.round(width * scale), Math.round(height * scale)];
    canvas.style.height = `${height}px`;
  }
  const context = canvas.getContext('2d');
  context.setTransform(scale, 0, 0, scale, 0, 0);
  context.fillStyle = '#181818';
  context.fillRect(0, 0, width, height);
  for (let i = 1; i < 7; i += 2) {
    context.fillStyle = '#1f1f1f';
    context.fillRect(0, ruler + i * lane, width, lane);
  }

  // The ruler: a mark every `spacing` steps, in seconds, and in steps too
  // when a mark is under a second.
  const spacing = rulerSpacings.find((steps) => steps * timeline.perStep >= 80) ?? rulerSpacings.at(-1);
  context.font = '12px system-ui, sans-serif';
  context.textBaseline = 'middle';
  for (let step = Math.ceil(timeline.start / spacing) * spacing; xOf(step) < width; step += spacing) {
    const x = Math.round(xOf(step));
    context.fillStyle = '#333';
    context.fillRect(x, ruler, 1, 7 * lane);
    context.fillStyle = '#bbb';
    context.fillRect(x, ruler - 8, 1, 8);
    const time = clockTime(step);
    const label = spacing % showFormat.stepsPerSecond ? `${time} · ${step}` : time.slice(0, -3); // whole seconds: m:ss
    context.fillText(label, x + 3, ruler / 2 - 2);
  }

  paintMusic(context, width);

  // The cues in view, then those being dragged where they would go.
  const {cues, selected} = composition;
  const keys = showFormat.burstKeys;
  const mark = Math.max(3, Math.min(10, timeline.perStep - 1));
  const lastColumn = new Array(7).fill(-Infinity);
  const drag = timeline.drag;
  const from = firstFrom(cues, stepAt(-mark) - (drag ? Math.max(0, drag.steps) : 0));
  for (let i = from; i < cues.length; ++i) {
    const cue = cues[i];
    const moving = drag && selected.has(cue.id);
    const x = xOf(cue.step);
    if (x - mark > width + (drag ? Math.max(0, -drag.steps) * timeline.perStep : 0)) break;
    const lane = keys.indexOf(cue.key);
    const column = Math.round(x);
    if (!selected.has(cue.id) && column === lastColumn[lane]) continue; // one mark a pixel column
    lastColumn[lane] = column;
    paintCue(context, x, lane, selected.has(cue.id), moving ? 0.35 : 1, mark);
  }
  if (drag) {
    for (const cue of selectedCues()) {
      const lane = keys.indexOf(cue.key) + drag.lanes;
      paintCue(context, xOf(Math.max(0, cue.step + drag.steps)), lane, true, 1, mark);
    }
  }
  const box = timeline.marquee;
  if (box) {
    context.strokeStyle = '#fc6';
    context.setLineDash([4, 3]);
    context.strokeRect(Math.min(box.x0, box.x1) + 0.5, Math.min(box.y0, box.y1) + 0.5,
      Math.abs(box.x1 - box.x0), Math.abs(box.y1 - box.y0));
    context.setLineDash([]);
  }
  placePlayhead();
  nameCues();
}

// The song's lane, under the cues, while there is a song.
const musicLaneHeight = () => (music.buffer ? 48 : 0);

// The song: its waveform in its lane (the loudest sample of the steps under
// each pixel column) and its beats across the lanes, every fourth stronger,
// where they are at least 4 pixels apart.
function paintMusic(context, width) {
  if (!music.buffer) return;
  const {ruler, lane} = timeline;
  const top = ruler + 7 * lane;
  const middle = top + musicLaneHeight() / 2;
  context.fillStyle = '#6a8';
  const {peaks} = music;
  for (let x = 0; x < width; ++x) {
    const from = Math.max(0, Math.floor(stepAt(x)));
    const to = Math.min(peaks.length, Math.max(from + 1, Math.floor(stepAt(x + 1))));
    let loudest = 0;
    for (let step = from; step < to; ++step) loudest = Math.max(loudest, peaks[step]);
    const half = Math.min(1, loudest) * (musicLaneHeight() / 2 - 3);
    if (half > 0) context.fillRect(x, middle - half, 1, 2 * half);
  }
  if (3600 / music.tempo * timeline.perStep < 4) return;
  for (const {step, n} of beatsBetween(stepAt(0), stepAt(width))) {
    context.fillStyle = n % 4 ? '#3a4a40' : '#5c8a70';
    context.fillRect(Math.round(xOf(step)), ruler, 1, 7 * lane + musicLaneHeight());
  }
}

function paintCue(context, x, lane, chosen, alpha, mark) {
  const top = timeline.ruler + lane * timeline.lane + 4;
  context.globalAlpha = alpha;
  context.fillStyle = timeline.colours[lane];
  context.fillRect(x - mark / 2, top, mark, timeline.lane - 8);
  if (chosen) {
    context.strokeStyle = '#fff';
    context.lineWidth = 2;
    context.strokeRect(x - mark / 2 - 2, top - 2, mark + 4, timeline.lane - 4);
  }
  context.globalAlpha = 1;
}

// The playhead's line, at the preview's step.
function placePlayhead() {
  const x = xOf(timeline.playhead);
  timeline.head.hidden = x < 0 || x > timeline.width;
  timeline.head.style.transform = `translateX(${x}px)`;
}

// The listbox's options: the cues in view nearest the playhead, and the
// active cue, the last selected.
function nameCues() {
  const {cues, selected} = composition;
  const from = firstFrom(cues, Math.ceil(stepAt(0)));
  const to = firstFrom(cues, Math.floor(stepAt(timeline.width)) + 1);
  const near = firstFrom(cues, timeline.playhead);
  const first = Math.max(from, Math.min(near - timeline.named / 2, to - timeline.named));
  const shown = cues.slice(first, Math.min(to, first + timeline.named));
  const active = cues.findLast((cue) => cue.id === timeline.active && selected.has(cue.id));
  if (active && !shown.includes(active)) shown.push(active);
  const options = shown.map((cue) => {
    const option = document.createElement('div');
    option.setAttribute('role', 'option');
    option.id = `cue-${cue.id}`;
    option.setAttribute('aria-selected', String(selected.has(cue.id)));
    option.textContent = cueName(cue);
    return option;
  });
  timeline.options.replaceChildren(...options);
  if (active) timeline.box.setAttribute('aria-activedescendant', `cue-${active.id}`);
  else timeline.box.removeAttribute('aria-activedescendant');
}

// Zoom by `factor` about the pixel column `x`, within single steps and the
// whole show.
function zoomTimeline(factor, x = timeline.width / 2) {
  const at = stepAt(x);
  timeline.perStep = Math.min(timeline.maxPerStep, Math.max(timeline.minPerStep, timeline.perStep * factor));
  panTimeline(at - x / timeline.perStep - timeline.start);
}
// Pan by `steps`, never before step 0.
function panTimeline(steps) {
  timeline.start = Math.max(0, timeline.start + steps);
  drawTimeline();
}
// The whole show in view, and a little after its last cue.
function fitTimeline(lastStep) {
  const width = timeline.box.clientWidth || 600;
  timeline.perStep = Math.min(timeline.maxPerStep, width / (lastStep + 2 * showFormat.stepsPerSecond));
  timeline.minPerStep = Math.min(timeline.perStep, width / 36000);
  timeline.start = 0;
  drawTimeline();
}
// Keeps `step` in view, paging on when it goes past either edge.
function followStep(step) {
  const x = xOf(step);
  if (x < 0 || x > timeline.width) timeline.start = Math.max(0, step - viewSteps() / 10);
  else return false;
  drawTimeline();
  return true;
}

// What lies under (x, y) in the timeline's box: {part: 'ruler' | 'lane',
// lane, step, cue} (cue: the nearest within `reach` pixels in that lane).
function hitTimeline(x, y, reach) {
  const step = Math.max(0, Math.round(stepAt(x)));
  if (y < timeline.ruler) return {part: 'ruler', step};
  if (y >= timeline.ruler + 7 * timeline.lane) return {part: 'ruler', step}; // the song's lane scrubs too
  const lane = Math.floor((y - timeline.ruler) / timeline.lane);
  const key = showFormat.burstKeys[lane];
  const {cues} = composition;
  let cue = null;
  for (let i = firstFrom(cues, stepAt(x - reach)); i < cues.length && xOf(cues[i].step) <= x + reach; ++i) {
    const distance = Math.abs(xOf(cues[i].step) - x);
    if (cues[i].key === key && (!cue || distance <= Math.abs(xOf(cue.step) - x))) cue = cues[i];
  }
  return {part: 'lane', lane, step, cue};
}
