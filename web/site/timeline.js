// timeline.js: the editor's timeline: a ruler in seconds (and steps, zoomed
// in) over seven lanes, one per burst key, a cue a mark in its burst's
// lane at its step, the song's waveform and beats, and the playhead.
//
// It draws the show document (show_document.js) once a frame however many
// changes come before it: a 10,000-cue show is a few milliseconds at any
// zoom, since only the cues in view are drawn (found by binary search) and,
// zoomed out, one mark a pixel column a lane. The playhead is an element of
// its own, moved alone as the preview plays.
//
// It owns its input, the pointer, wheel, touch, drags and the selection
// box, and reports what the user meant to `intents`: scrub(step, done),
// seek(step, {keep}) (a click on an empty lane), tapLane(key, step)
// (a finger's tap there: true where it added a cue), select(ids, said),
// move(steps, lanes), add(key, step). Zoom and pan are its own.
//
// For assistive technology it is a listbox whose options are the cues in
// view nearest the playhead (up to 100), each named as "r at 1.25 s" and
// laid over the cue's mark, and the last cue selected is its active one.
import {showFormat} from '../show_format.js';
import {cueName, firstFrom} from './show_document.js';
import {lanes, stepAt, xOf, laneTop, rulerSpacing, clockTime, hitTest, boxed, dragged, fitted}
  from './timeline_view.js';

const colours = ['#8cf', '#f86', '#fc6', '#8f8', '#c8f', '#6ee', '#fff'];
const named = 100; // options at most
const songLane = 48; // the song's lane's height

// The timeline in `parts` ({box, canvas, head, options}) of `doc`, with
// `peaks()` the song's waveform (the loudest sample of each step) or null.
export function makeTimeline(parts, doc, peaks, intents) {
  const {box, canvas, head, options} = parts;
  const view = {start: 0, perStep: 2, minPerStep: 1 / 4096, maxPerStep: 24, ruler: 28, lane: 28, width: 0};
  const timeline = {view, drag: null, marquee: null, active: 0};
  let asked = false;

  const songHeight = () => (peaks() ? songLane : 0);
  timeline.draw = () => {
    if (asked) return;
    asked = true;
    requestAnimationFrame(() => {
      asked = false;
      paint();
    });
  };

  function paint() {
    const {ruler, lane} = view;
    const width = box.clientWidth;
    const height = laneTop(view, lanes) + songHeight();
    view.width = width;
    const scale = devicePixelRatio;
    if (canvas.width !== Math.round(width * scale) || canvas.height !== Math.round(height * scale)) {
      [canvas.width, canvas.height] = [Math.round(width * scale), Math.round(height * scale)];
      canvas.style.height = `${height}px`;
    }
    const context = canvas.getContext('2d');
    context.setTransform(scale, 0, 0, scale, 0, 0);
    context.fillStyle = '#181818';
    context.fillRect(0, 0, width, height);
    context.fillStyle = '#1f1f1f';
    for (let i = 1; i < lanes; i += 2) context.fillRect(0, laneTop(view, i), width, lane);

    // The ruler: a mark every `spacing` steps, in seconds, and in steps too
    // when a mark is under a second.
    const spacing = rulerSpacing(view);
    context.font = '12px system-ui, sans-serif';
    context.textBaseline = 'middle';
    for (let step = Math.ceil(view.start / spacing) * spacing; xOf(view, step) < width; step += spacing) {
      const x = Math.round(xOf(view, step));
      context.fillStyle = '#333';
      context.fillRect(x, ruler, 1, lanes * lane);
      context.fillStyle = '#bbb';
      context.fillRect(x, ruler - 8, 1, 8);
      const time = clockTime(step);
      const label = spacing % showFormat.stepsPerSecond ? `${time} · ${step}` : time.slice(0, -3); // m:ss
      context.fillText(label, x + 3, ruler / 2 - 2);
    }
    paintSong(context, width);
    paintCues(context, width);
    const {marquee} = timeline;
    if (marquee) {
      const {x0, y0, x1, y1} = marquee;
      context.strokeStyle = '#fc6';
      context.setLineDash([4, 3]);
      context.strokeRect(Math.min(x0, x1) + 0.5, Math.min(y0, y1) + 0.5, Math.abs(x1 - x0), Math.abs(y1 - y0));
      context.setLineDash([]);
    }
    placePlayhead();
    nameCues();
  }

  // The cues in view, one mark a pixel column a lane (selected and not
  // apart); those being dragged faint, and again where they would go.
  function paintCues(context, width) {
    const {cues, selected} = doc;
    const keys = showFormat.burstKeys;
    const mark = Math.max(3, Math.min(10, view.perStep - 1));
    const drag = timeline.drag;
    const columns = [new Array(lanes).fill(-Infinity), new Array(lanes).fill(-Infinity)];
    for (let i = firstFrom(cues, stepAt(view, -mark)); i < cues.length; ++i) {
      const cue = cues[i];
      const x = xOf(view, cue.step);
      if (x - mark > width) break;
      const chosen = selected.has(cue.id);
      const lane = keys.indexOf(cue.key);
      const column = Math.round(x);
      if (column === columns[+chosen][lane]) continue;
      columns[+chosen][lane] = column;
      paintCue(context, x, lane, chosen, drag && chosen ? 0.35 : 1, mark);
    }
    if (!drag) return;
    const moved = [new Array(lanes).fill(-Infinity)];
    const from = firstFrom(cues, stepAt(view, -mark) - drag.steps);
    for (let i = from; i < cues.length; ++i) {
      const cue = cues[i];
      if (!selected.has(cue.id)) continue;
      const x = xOf(view, Math.max(0, cue.step + drag.steps));
      if (x - mark > width) break;
      const lane = keys.indexOf(cue.key) + drag.lanes;
      if (Math.round(x) === moved[0][lane]) continue;
      moved[0][lane] = Math.round(x);
      paintCue(context, x, lane, true, 1, mark);
    }
  }

  function paintCue(context, x, lane, chosen, alpha, mark) {
    const top = laneTop(view, lane) + 4;
    context.globalAlpha = alpha;
    context.fillStyle = colours[lane];
    context.fillRect(x - mark / 2, top, mark, view.lane - 8);
    if (chosen) {
      context.strokeStyle = '#fff';
      context.lineWidth = 2;
      context.strokeRect(x - mark / 2 - 2, top - 2, mark + 4, view.lane - 4);
    }
    context.globalAlpha = 1;
  }

  // The song: its waveform in its lane (the loudest sample of the steps
  // under each pixel column) and its beats across the lanes, every fourth
  // stronger, where they are at least 4 pixels apart.
  function paintSong(context, width) {
    const waveform = peaks();
    if (!waveform) return;
    const top = laneTop(view, lanes);
    const middle = top + songLane / 2;
    context.fillStyle = '#6a8';
    for (let x = 0; x < width; ++x) {
      const from = Math.max(0, Math.floor(stepAt(view, x)));
      const to = Math.min(waveform.length, Math.max(from + 1, Math.floor(stepAt(view, x + 1))));
      let loudest = 0;
      for (let step = from; step < to; ++step) loudest = Math.max(loudest, waveform[step]);
      const half = Math.min(1, loudest) * (songLane / 2 - 3);
      if (half > 0) context.fillRect(x, middle - half, 1, 2 * half);
    }
    const tempo = doc.song?.tempo;
    if (!tempo || 3600 / tempo * view.perStep < 4) return;
    for (const {step, n} of doc.beatsBetween(stepAt(view, 0), stepAt(view, width))) {
      context.fillStyle = n % 4 ? '#3a4a40' : '#5c8a70';
      context.fillRect(Math.round(xOf(view, step)), view.ruler, 1, lanes * view.lane + songLane);
    }
  }

  // The playhead's line, at the document's playhead.
  function placePlayhead() {
    const x = xOf(view, doc.playhead);
    head.hidden = x < 0 || x > view.width;
    head.style.transform = `translateX(${x}px)`;
  }

  // The listbox's options: the cues in view nearest the playhead, and the
  // active cue, the last selected, each over its mark.
  function nameCues() {
    const {cues, selected} = doc;
    const from = firstFrom(cues, Math.ceil(stepAt(view, 0)));
    const to = firstFrom(cues, Math.floor(stepAt(view, view.width)) + 1);
    const near = firstFrom(cues, doc.playhead);
    const first = Math.max(from, Math.min(near - named / 2, to - named));
    const shown = cues.slice(first, Math.min(to, first + named));
    const active = cues.findLast((cue) => cue.id === timeline.active && selected.has(cue.id));
    if (active && !shown.includes(active)) shown.push(active);
    const mark = Math.max(3, Math.min(10, view.perStep - 1));
    options.replaceChildren(...shown.map((cue) => {
      const option = document.createElement('div');
      option.setAttribute('role', 'option');
      option.id = `cue-${cue.id}`;
      option.setAttribute('aria-selected', String(selected.has(cue.id)));
      option.textContent = cueName(cue);
      const x = Math.min(view.width, Math.max(0, xOf(view, cue.step) - mark / 2));
      option.style.cssText = `left: ${x}px; top: ${laneTop(view, showFormat.burstKeys.indexOf(cue.key)) + 4}px; ` +
        `width: ${mark}px; height: ${view.lane - 8}px`;
      return option;
    }));
    if (active) box.setAttribute('aria-activedescendant', `cue-${active.id}`);
    else box.removeAttribute('aria-activedescendant');
  }

  // Zoom by `factor` about the pixel column `x`, within single steps and
  // the whole show.
  timeline.zoom = (factor, x = view.width / 2) => {
    const at = stepAt(view, x);
    view.perStep = Math.min(view.maxPerStep, Math.max(view.minPerStep, view.perStep * factor));
    timeline.pan(at - x / view.perStep - view.start);
  };
  // Pan by `steps`, never before step 0.
  timeline.pan = (steps) => {
    view.start = Math.max(0, view.start + steps);
    timeline.draw();
  };
  // The whole show in view, and a little after its last cue.
  timeline.fit = () => {
    Object.assign(view, fitted(box.clientWidth || 600, doc.cues.at(-1)?.step ?? 0));
    timeline.draw();
  };
  // Keeps the playhead in view, paging on when it goes past either edge.
  function followPlayhead() {
    const x = xOf(view, doc.playhead);
    if (x >= 0 && x <= view.width) return placePlayhead();
    view.start = Math.max(0, doc.playhead - view.width / view.perStep / 10);
    timeline.draw();
  }
  timeline.xOf = (step) => xOf(view, step);
  timeline.paint = paint; // drawn now, not at the next frame

  doc.subscribe((change) => {
    if (change.selection) timeline.active = [...doc.selected].at(-1) ?? 0;
    if (change.playhead) followPlayhead();
    if (change.cues || change.selection || change.song) timeline.draw();
    else if (change.playhead && !change.following) nameCues();
  });

  wirePointer(box, doc, view, timeline, intents);
  box.addEventListener('wheel', (event) => {
    event.preventDefault();
    const pixels = event.deltaMode === 1 ? 16 : event.deltaMode === 2 ? view.width : 1;
    const x = event.clientX - box.getBoundingClientRect().left;
    if (event.ctrlKey || event.metaKey) timeline.zoom(Math.exp(-event.deltaY * pixels / 500), x);
    else {
      const delta = Math.abs(event.deltaX) > Math.abs(event.deltaY) ? event.deltaX : event.deltaY;
      timeline.pan(delta * pixels / view.perStep);
    }
  }, {passive: false});
  const coarse = matchMedia('(pointer: coarse)');
  const fitLanes = () => {
    view.lane = coarse.matches ? 44 : 28;
    document.documentElement.style.setProperty('--lane', `${view.lane}px`);
    timeline.draw();
  };
  coarse.addEventListener?.('change', fitLanes);
  fitLanes();
  new ResizeObserver(() => timeline.draw()).observe(box);
  return timeline;
}

// Pointer and touch. One pointer: on the ruler or the playhead it scrubs;
// on a cue it selects and drags; on empty lanes a mouse draws a selection
// box (a click moves the playhead) and a finger pans (a tap moves the
// playhead, or is the page's, tapLane). Two fingers zoom and pan, as does
// the mouse's middle button. A double click on an empty lane adds a cue.
function wirePointer(box, doc, view, timeline, intents) {
  const pointers = new Map();
  let gesture = null;
  const local = (event) => {
    const bounds = box.getBoundingClientRect();
    return [event.clientX - bounds.left, event.clientY - bounds.top];
  };
  const pinchOf = () => {
    const [one, other] = [...pointers.values()];
    return {distance: Math.hypot(one.x - other.x, one.y - other.y) || 1, x: (one.x + other.x) / 2};
  };

  box.addEventListener('pointerdown', (event) => {
    const middle = event.pointerType === 'mouse' && event.button === 1;
    if (event.pointerType === 'mouse' && event.button !== 0 && !middle) return;
    try {
      box.setPointerCapture(event.pointerId);
    } catch (error) {
      // A pointer the browser no longer tracks: the gesture goes on uncaptured.
    }
    const [x, y] = local(event);
    pointers.set(event.pointerId, {x, y});
    if (middle) {
      event.preventDefault(); // no autoscroll
      gesture = {kind: 'pan', x0: x, y0: y, start: view.start, moved: true};
      return;
    }
    if (pointers.size === 2) {
      const pinch = pinchOf();
      gesture = {kind: 'pinch', ...pinch, perStep: view.perStep, step: stepAt(view, pinch.x)};
      timeline.drag = timeline.marquee = null;
      return;
    }
    if (pointers.size > 2) return;
    const touch = event.pointerType !== 'mouse';
    const hit = hitTest(view, doc.cues, x, y, touch ? 16 : 6);
    gesture = {x0: x, y0: y, moved: false, step: hit.step, shift: event.shiftKey};
    if (hit.part === 'ruler' || (!hit.cue && Math.abs(x - xOf(view, doc.playhead)) <= (touch ? 12 : 4))) {
      gesture.kind = 'scrub';
      intents.scrub(hit.step, false);
    } else if (hit.cue) {
      gesture.kind = 'cue';
      gesture.cue = hit.cue;
      if (event.shiftKey) intents.select([...doc.selected, hit.cue.id], `${cueName(hit.cue)} added to the selection`);
      else if (!doc.selected.has(hit.cue.id)) intents.select([hit.cue.id], `${cueName(hit.cue)} selected`);
    } else if (intents.tapLane(showFormat.burstKeys[hit.lane], hit.step)) {
      gesture = null;
    } else {
      gesture.kind = touch ? 'pan' : 'marquee';
      gesture.start = view.start;
    }
  });

  box.addEventListener('pointermove', (event) => {
    const at = pointers.get(event.pointerId);
    if (!at || !gesture) return;
    [at.x, at.y] = local(event);
    const {x, y} = at;
    gesture.moved ||= Math.hypot(x - gesture.x0, y - gesture.y0) > 4;
    if (gesture.kind === 'pinch' && pointers.size === 2) {
      const pinch = pinchOf();
      view.perStep = Math.min(view.maxPerStep, Math.max(view.minPerStep, gesture.perStep * pinch.distance /
        gesture.distance));
      view.start = Math.max(0, gesture.step - pinch.x / view.perStep);
      timeline.draw();
    } else if (gesture.kind === 'scrub') {
      intents.scrub(Math.max(0, Math.round(stepAt(view, x))), false);
    } else if (gesture.kind === 'pan') {
      view.start = Math.max(0, gesture.start - (x - gesture.x0) / view.perStep);
      timeline.draw();
    } else if (gesture.kind === 'cue' && gesture.moved) {
      timeline.drag = dragged(view, x - gesture.x0, y - gesture.y0);
      timeline.draw();
    } else if (gesture.kind === 'marquee' && gesture.moved) {
      timeline.marquee = {x0: gesture.x0, y0: gesture.y0, x1: x, y1: y};
      timeline.draw();
    }
  });

  const up = (event) => {
    if (!pointers.delete(event.pointerId) || !gesture) return;
    const done = gesture;
    gesture = null;
    const {drag, marquee} = timeline;
    timeline.drag = timeline.marquee = null;
    timeline.draw();
    if (event.type === 'pointercancel') return;
    if (done.kind === 'scrub') intents.scrub(doc.playhead, true);
    else if (done.kind === 'cue') {
      if (drag) intents.move(drag.steps, drag.lanes);
      else if (!done.shift) intents.select([done.cue.id], `${cueName(done.cue)} selected`);
    } else if (done.kind === 'marquee' && done.moved) {
      const covered = boxed(view, doc.cues, marquee);
      const ids = done.shift ? [...new Set([...doc.selected, ...covered])] : covered;
      intents.select(ids, `${ids.length} cues selected`);
    } else if ((done.kind === 'marquee' || done.kind === 'pan') && !done.moved) {
      intents.seek(done.step, {keep: done.shift});
    }
  };
  box.addEventListener('pointerup', up);
  box.addEventListener('pointercancel', up);
  box.addEventListener('dblclick', (event) => {
    const [x, y] = local(event);
    const hit = hitTest(view, doc.cues, x, y, 6);
    if (hit.part === 'lane' && !hit.cue) intents.add(showFormat.burstKeys[hit.lane], hit.step);
  });
}
