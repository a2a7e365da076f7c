// timeline_view.js: the timeline's geometry, with no page: where a step
// is drawn, what lies under a point, the ruler's marks and what a drag or
// a selection box covers. timeline.js draws with it and reads the pointer
// through it.
//
// Units: steps (60 a second) along the time axis, CSS pixels on screen. A
// view is {start, perStep, width, ruler, lane}: the step at the left edge
// (fractional), pixels a step, the visible width, the ruler's and a lane's
// heights. Lanes are the burst keys in burstKeys's order under the ruler;
// the song's lane, when there is one, under them.
import {showFormat} from '../show_format.js';
import {firstFrom} from './show_document.js';

export const lanes = showFormat.burstKeys.length;
export const stepAt = (view, x) => view.start + x / view.perStep;
export const xOf = (view, step) => (step - view.start) * view.perStep;
export const laneTop = (view, lane) => view.ruler + lane * view.lane;

// Ruler marks: the spacing in steps that leaves at least 80 pixels between
// labels, at every zoom.
const rulerSpacings = [1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1200, 3600, 7200, 18000, 36000, 108000, 216000,
  648000, 1296000, 5184000, 25920000, 129600000, 648000000];
export const rulerSpacing = (view) => rulerSpacings.find((steps) => steps * view.perStep >= 80) ??
  rulerSpacings.at(-1) * Math.ceil(80 / (rulerSpacings.at(-1) * view.perStep));

// "1:02.50": minutes, then seconds to the hundredth.
export function clockTime(step) {
  const seconds = step / showFormat.stepsPerSecond;
  const minutes = Math.floor(seconds / 60);
  const rest = seconds - 60 * minutes;
  return `${minutes}:${rest < 10 ? '0' : ''}${rest.toFixed(2)}`;
}

// What lies under (x, y) of `cues` (in the show's order): {part: 'ruler' |
// 'lane', lane, step, cue}, the cue the nearest within `reach` pixels in
// that lane, or null. The song's lane scrubs, as the ruler does.
export function hitTest(view, cues, x, y, reach) {
  const step = Math.max(0, Math.round(stepAt(view, x)));
  if (y < view.ruler || y >= laneTop(view, lanes)) return {part: 'ruler', step};
  const lane = Math.floor((y - view.ruler) / view.lane);
  const key = showFormat.burstKeys[lane];
  let cue = null;
  for (let i = firstFrom(cues, stepAt(view, x - reach)); i < cues.length && xOf(view, cues[i].step) <= x + reach; ++i) {
    const distance = Math.abs(xOf(view, cues[i].step) - x);
    if (cues[i].key === key && (!cue || distance <= Math.abs(xOf(view, cue.step) - x))) cue = cues[i];
  }
  return {part: 'lane', lane, step, cue};
}

// The ids of the cues inside a box drawn from (x0, y0) to (x1, y1).
export function boxed(view, cues, {x0, y0, x1, y1}) {
  const [from, to] = [stepAt(view, Math.min(x0, x1)), stepAt(view, Math.max(x0, x1))];
  const lane = (y) => Math.floor((y - view.ruler) / view.lane);
  const [top, bottom] = [lane(Math.min(y0, y1)), lane(Math.max(y0, y1))];
  const keys = showFormat.burstKeys;
  const ids = [];
  for (let i = firstFrom(cues, Math.ceil(from)); i < cues.length && cues[i].step <= to; ++i) {
    const at = keys.indexOf(cues[i].key);
    if (at >= top && at <= bottom) ids.push(cues[i].id);
  }
  return ids;
}

// A drag of a cue by (dx, dy) pixels: the steps and lanes it means.
export const dragged = (view, dx, dy) => ({steps: Math.round(dx / view.perStep), lanes: Math.round(dy / view.lane)});

// The zoom that shows a whole show whose last cue is at `lastStep`, and a
// little after it, in `width` pixels; and how far out a zoom may go.
export function fitted(width, lastStep) {
  const perStep = Math.min(24, width / (lastStep + 2 * showFormat.stepsPerSecond));
  return {perStep, minPerStep: Math.min(perStep, width / 36000), start: 0};
}
