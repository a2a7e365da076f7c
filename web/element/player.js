// player.js: the <firework-player> element, the last part of
// firework-player.js: bundled with what it imports by the build, between
// open.js, which opens the function that holds the program's factory, and
// close.js, which closes it. Beside it, a file a concern: surface.js, the
// page's one WebGL context; view_watch.js, whether an element is in view;
// sound.js, the bursts' sound; template.js, the shadow root; attributes.js,
// the attributes, declared once; seek_plan.js, where a seek starts.
//
// Each element runs its own instance of the program, with its own memory
// and steps, in a canvas of its shadow root. All of them draw in one WebGL
// context of the page's (`surface`), by turns, each step's frame handed to
// the element's canvas, or drawn straight into a canvas the element shows
// where that saves a copy: a page may have any number of fireworks, while
// browsers allow some 16 contexts.
//
// An element out of view (IntersectionObserver), or in a hidden tab, runs
// no steps and draws nothing, and goes on from the same step when it is
// seen again. A lost context holds every firework still; when it returns
// each goes on from its step. A paused element asks for no animation
// frames.
//
// Seeking works as a video's keyframes do: while a show runs, and ahead of
// it while the page is idle, the element keeps snapshots of the program's
// state (program_state.cpp) every snapshotSpacing steps. A seek restores
// the nearest one before the step asked for, runs the show's particle
// arithmetic alone up to the step before it, and draws that step: the
// frames are the same whichever way a step is reached. A long seek runs in
// slices between the page's other tasks; a later seek, pause() or the
// element's removal stops it.
//
// Every property and method may be used before the element is defined or
// connected: what they ask for is done once its program runs.
//
// Attributes, each with a property of the same meaning: show, autoplay,
// loop, speed, controls, keys, transparent, sound, label. Methods: play(),
// pause(), step(), seek(n), burst(key). Properties: currentStep, paused,
// recorded, output, error. Events: ready, play, pause, seeking, seeked, burst,
// loop, ended, error (detail: message, fatal), webglcontextlost,
// webglcontextrestored.
// docs/embed.md tells how to use it.

import {showFormat, readShow, writeShow} from '../show_format.js';
import {keyRules} from '../key_rules.js';
import {surface} from './surface.js';
import {watchView, unwatchView} from './view_watch.js';
import {soundBurst, followSound} from './sound.js';
import {template} from './template.js';
import {attributes, booleans, keptProperties} from './attributes.js';
import {nearestSnapshot, seekFrom} from './seek_plan.js';

// The buffers the program's display mode asks for (RGBA, double
// buffered, with depth).
const windowBuffers = {alpha: false, depth: true, stencil: false, antialias: false, preserveDrawingBuffer: false};
const noWebglLine = 'The firework needs WebGL, which this browser does not offer or has turned off.';
const framesPerStep = {1: 1, 0.5: 2, 0.25: 4}; // by speed
const afterLastKey = 120; // steps a looping show runs after its last key
const {maxStep} = showFormat; // the furthest seek: 24 hours of steps
// A snapshot of the program's state (48,000 bytes) every so many steps of
// a show: 2.9 MB for ten minutes, and at most 599 steps of arithmetic
// (a few milliseconds) from a snapshot to the step before any step.
const snapshotSpacing = 600;
// Snapshots kept past a show's last key, the latest made: ten minutes
// more (2.9 MB), so that an element playing on for hours holds no more.
const snapshotsPastShow = 60;
const seekSlice = 8; // milliseconds of a long seek before the page's other tasks run
// The next task, after the page's own, without a timer's clamping.
const nextTask = (callback) => {
  const channel = new MessageChannel();
  channel.port1.onmessage = callback;
  channel.port2.postMessage(null);
};
const idleTask = (callback) => (window.requestIdleCallback ? requestIdleCallback(callback) : setTimeout(callback, 0));
class FireworkPlayer extends HTMLElement {
  static get observedAttributes() {
    return Object.keys(attributes);
  }

  #root;
  #picture;
  #canvas;
  #program = null; // the running program's Module
  #lines = []; // what the program said on standard error
  #output = ''; // what it wrote on standard output
  #show = []; // the show's keys: [{key, step}]
  #showText = null; // the show attribute they were read from
  #next = 0; // the next of them to type
  #played = []; // the burst keys the program took: the show so far
  #steps = 0; // steps the program has run
  #offShow = false; // a key the show did not type has acted since the last restore
  #snapshots = new Map(); // the show's state every snapshotSpacing steps: step => {pool, random}
  #pastShow = []; // the steps of those kept past the show's end, oldest first
  #seekRequest = null; // the seek under way: {target, resolve, reject, begun}
  #seekSliced = false; // a seek's next slice is waiting for its task
  #drawing = false; // the seek's own step, drawn
  #building = false; // snapshots ahead of play are being made between tasks
  #paused = true;
  #pausedChosen = false; // play() or pause() was called: autoplay no longer decides
  #speed = 1;
  #loop = null; // null, 'show' (after the show's last key) or a number of steps
  #inView = false;
  #typing = false; // the show itself is typing a key
  #waiting = []; // bursts asked for before the program runs or while it seeks
  #connections = 0;
  // Where the element is in its life: 'idle' (not started, or removed),
  // 'starting' (its program runs, no frame drawn yet), 'running' (the first
  // frame drawn), 'ended' (by ESC: a seek or a show starts it again) or
  // 'failed' (it cannot run here).
  #phase = 'idle';
  #error = null; // that failure: {message, fatal: true}
  #setting = false; // an attribute is being set back

  constructor() {
    super();
    this.#root = this.attachShadow({mode: 'open', delegatesFocus: true});
    this.#root.append(template.content.cloneNode(true));
    this.#picture = this.#root.querySelector('[part=picture]');
    this.#canvas = this.#root.querySelector('canvas');
    this.addEventListener('keydown', (event) => this.#onKeydown(event), true);
    const bar = this.#root.querySelector('[part=controls]');
    bar.addEventListener('click', (event) => {
      const button = event.target.closest('button');
      if (!button) return;
      if (button.dataset.key) this.burst(button.dataset.key);
      else if (button.dataset.do === 'pause') this.paused = !this.#paused;
      else this.step();
    });
    bar.querySelector('select').addEventListener('change', (event) => (this.speed = Number(event.target.value)));
  }

  connectedCallback() {
    ++this.#connections;
    // Properties a framework set before the element was defined.
    for (const name of keptProperties) {
      if (Object.prototype.hasOwnProperty.call(this, name)) {
        const value = this[name];
        delete this[name];
        this[name] = value;
      }
    }
    this.#picture.setAttribute('aria-label', this.label);
    if (this.#phase !== 'idle') return; // moved within the page
    surface.count(this, true);
    followSound();
    watchView(this, (inView) => {
      this.#inView = inView;
      if (this.#program?.hold) this.#program.hold(!inView);
      else if (this.#program) this.#program.held = !inView;
    });
    if (!this.#pausedChosen) this.#paused = !(this.autoplay && !matchMedia('(prefers-reduced-motion: reduce)').matches);
    this.#showPaused();
    this.#start();
    surface.make(windowBuffers, this.#program.windowSize());
  }

  disconnectedCallback() {
    const connection = this.#connections;
    // Moved within the page, it is connected again before this runs.
    queueMicrotask(() => {
      if (this.isConnected || connection !== this.#connections) return;
      unwatchView(this);
      this.#abortSeek();
      this.#stop();
      this.#phase = 'idle';
      this.#error = null;
      surface.count(this, false);
      followSound();
    });
  }

  attributeChangedCallback(name, old, value) {
    if (this.#setting || old === value) return;
    if (name === 'show') {
      if (this.#program?.setSteps) this.#changeShow(); // started, it reads the show
    } else if (name === 'loop') {
      const steps = Number(value);
      if (value === null || value === '') this.#loop = value === null ? null : 'show';
      else if (Number.isInteger(steps) && steps > 0) this.#loop = steps;
      else this.#refuse(name, old, `loop takes a number of steps above 0, not "${value}"`);
    } else if (name === 'speed') {
      const speed = value === null ? 1 : Number(value);
      if (!framesPerStep[speed]) this.#refuse(name, old, `speed takes 1, 0.5 or 0.25, not "${value}"`);
      else {
        this.#speed = speed;
        if (this.#program) this.#program.framesPerStep = framesPerStep[speed];
        this.#root.querySelector('select').value = String(speed);
      }
    } else if (name === 'controls') {
      this.#root.querySelector('[part=controls]').hidden = value === null;
    } else if (name === 'keys') {
      if (value === null) this.#picture.removeAttribute('tabindex');
      else this.#picture.tabIndex = 0;
    } else if (name === 'sound') {
      followSound();
    } else if (name === 'label') {
      this.#picture.setAttribute('aria-label', this.label);
    }
  }

  get show() {
    return this.getAttribute('show') ?? '';
  }
  set show(text) {
    if (text === null || text === undefined || text === '') this.removeAttribute('show');
    else this.setAttribute('show', String(text));
  }
  get loop() {
    return this.#loop === null ? false : this.#loop === 'show' ? true : this.#loop;
  }
  set loop(value) {
    if (value === false || value === null || value === undefined) this.removeAttribute('loop');
    else this.setAttribute('loop', value === true ? '' : String(value));
  }
  get speed() {
    return this.#speed;
  }
  set speed(value) {
    this.setAttribute('speed', String(value));
  }
  get label() {
    return this.getAttribute('label') || 'Firework';
  }
  set label(text) {
    this.setAttribute('label', String(text));
  }
  get paused() {
    return this.#paused;
  }
  set paused(paused) {
    if (paused) this.pause();
    else this.play();
  }
  get currentStep() {
    return this.#steps;
  }
  // A seek; a bad step is said in an error event, as a bad attribute is.
  set currentStep(step) {
    this.seek(step).catch((error) => error.name === 'AbortError' || this.#fail(error.message, false));
  }
  // The show so far, as the show attribute and the page's address hold it.
  get recorded() {
    return writeShow(this.#played);
  }
  // What the program wrote on its standard output: its instructions.
  get output() {
    return this.#output;
  }
  // The failure that stopped the firework, as its fatal error event told
  // it, or null: as a media element's error, for a page that comes late.
  get error() {
    return this.#error;
  }

  play() {
    this.#pausedChosen = true;
    this.#setPaused(false);
    this.#program?.wake?.();
  }
  // Pauses, and stops a seek that is under way where it has got to.
  pause() {
    this.#pausedChosen = true;
    this.#setPaused(true);
    if (this.#seekRequest?.begun && this.#program?.stepOnce) {
      this.#abortSeek();
      this.#drawStep();
    }
  }
  // One step, while paused.
  step() {
    if (this.#paused) this.#program?.stepOnce?.();
  }
  // Step `step` of the show, drawn, as if played to there: from the
  // nearest snapshot before it, the show's arithmetic alone up to the step
  // before, then that step drawn. Resolves once it is on the canvas;
  // rejects with an AbortError when a later seek, pause() or the element's
  // removal comes first. Called before the element runs, it lands once
  // it does.
  seek(step) {
    const target = Number(step);
    if (!Number.isInteger(target) || target < 0 || target > maxStep) {
      return Promise.reject(new RangeError(`seek takes a whole step from 0 to ${maxStep}, not ${step}`));
    }
    if (this.#phase === 'failed') return Promise.reject(new DOMException('The firework cannot run here.', 'NotSupportedError'));
    this.#abortSeek();
    return new Promise((resolve, reject) => {
      this.#seekRequest = {target, resolve, reject, begun: false};
      this.dispatchEvent(new Event('seeking'));
      queueMicrotask(() => this.#seekOn());
    });
  }
  // Burst `key` (one of w s a d z c r), taken at the next step.
  burst(key) {
    if (typeof key !== 'string' || key.length !== 1 || !showFormat.burstKeys.includes(key)) {
      throw new RangeError(`burst takes one of w s a d z c r, not ${JSON.stringify(key)}`);
    }
    if (this.#program?.typeKey && !this.#seekRequest) this.#program.typeKey(key.charCodeAt(0));
    else if (this.#phase !== 'ended' && this.#phase !== 'failed') this.#waiting.push(key);
  }

  #setPaused(paused) {
    if (paused === this.#paused) return;
    this.#paused = paused;
    if (this.#program) this.#program.paused = paused;
    this.#showPaused();
    this.dispatchEvent(new Event(paused ? 'pause' : 'play'));
  }
  #showPaused() {
    this.#root.querySelector('[data-do=pause]').textContent = this.#paused ? 'Play' : 'Pause';
    this.#root.querySelector('[data-do=step]').disabled = !this.#paused;
  }

  // An attribute's value that is refused: said, and the attribute set back.
  #refuse(name, old, why) {
    this.#setting = true;
    if (old === null) this.removeAttribute(name);
    else this.setAttribute(name, old);
    this.#setting = false;
    this.#fail(why, false);
  }
  // `fatal`: the firework cannot run, and the element's children show
  // in its place; otherwise the input was refused and nothing changed.
  #fail(message, fatal) {
    if (fatal) {
      this.#error = {message, fatal};
      this.#picture.hidden = true;
      this.#root.querySelector('[part=fallback]').hidden = false;
    }
    this.dispatchEvent(new CustomEvent('error', {detail: {message, fatal}}));
  }

  // The show attribute, read when its text is new: a loop's fresh start
  // neither reads it again nor says again that it cannot be read.
  // Returns the first step whose keys changed (Infinity for none).
  #readShow() {
    const text = this.getAttribute('show') ?? '';
    if (text === this.#showText) return Infinity;
    this.#showText = text;
    const show = text ? readShow(text) : {keys: []};
    if (show.error) this.#fail(`The show could not be read: ${show.error}.`, false);
    const [old, keys] = [this.#show, show.keys ?? []];
    let same = 0;
    while (same < keys.length && same < old.length && keys[same].key === old[same].key &&
           keys[same].step === old[same].step) ++same;
    this.#show = keys;
    return Math.min(keys[same]?.step ?? Infinity, old[same]?.step ?? Infinity);
  }
  // A new show starts the run over; the snapshots before its first
  // changed key still hold, so a seek to an edit late in a long show
  // costs no more than any other.
  // Keeps only the snapshots that still hold for a show that changed at
  // step `changedAt`: those up to it, taken before its keys were typed.
  #keepSnapshotsTo(changedAt) {
    for (const step of this.#snapshots.keys()) if (step > changedAt) this.#snapshots.delete(step);
  }
  #changeShow() {
    this.#keepSnapshotsTo(this.#readShow());
    this.#restore(0);
    if (this.#seekRequest) this.#seekRequest.begun = false;
    this.#program.wake();
    this.#buildAhead();
  }

  // The program, started afresh at step 0 with the show from its start.
  #start() {
    if (this.#phase === 'idle') this.#phase = 'starting';
    // A show set while it was out of the page, or ended, has its own steps.
    this.#keepSnapshotsTo(this.#readShow());
    this.#next = 0;
    this.#played = [];
    this.#steps = 0;
    this.#offShow = false;
    this.#lines = [];
    this.#output = '';
    // Its box sizes the window; against the window's it tells whether it
    // is in view now: the observer's first report comes only with the
    // next frame, which the first step need not wait for.
    const box = this.getBoundingClientRect();
    this.#inView = box.width > 0 && box.height > 0 && box.bottom > 0 && box.right > 0 &&
      box.top < innerHeight && box.left < innerWidth;
    const program = {
      canvas: this.#canvas,
      surface,
      keyTarget: this,
      keyRules,
      windowSize: () => [Math.max(1, Math.round(box.width * devicePixelRatio)),
        Math.max(1, Math.round(box.height * devicePixelRatio))],
      setTitle() {},
      print: (text) => (this.#output += text + '\n'),
      printErr: (text) => this.#lines.push(text),
      onExit: (status) => this.#exited(program, status),
      onAbort: (reason) => this.#aborted(program, reason),
      beforeStep: (steps) => this.#beforeStep(program, steps),
      onKey: (code, steps) => this.#taken(program, code, steps),
      paused: this.#paused,
      framesPerStep: framesPerStep[this.#speed],
      held: !this.#inView,
    };
    this.#program = program;
    starting = program;
    // A program the element let go of while it started ends as it comes.
    fireworkProgram(program).then(() => {
      if (program !== this.#program) program.end?.();
      else if (program.setSteps) {
        this.#snapshot(0);
        if ((this.getAttribute('show') ?? '') !== this.#showText) this.#changeShow(); // set while it started
        this.#seekOn();
        this.#buildAhead();
      }
    });
    starting = null;
  }
  #stop() {
    this.#program?.end?.();
    this.#program = null;
  }
  #restart() {
    this.#stop();
    this.#phase = 'running'; // its first frame was drawn before
    this.#picture.hidden = false;
    this.#start();
  }

  // The program's state now, kept in the show's snapshots unless a key
  // the show did not type has acted.
  #snapshot(step) {
    if (this.#offShow || this.#snapshots.has(step)) return;
    const {state} = this.#program;
    this.#snapshots.set(step, {pool: state.pool().slice(), random: state.random()});
    if (step <= this.#showEnd()) return;
    this.#pastShow.push(step);
    if (this.#pastShow.length > snapshotsPastShow) this.#snapshots.delete(this.#pastShow.shift());
  }
  // Where snapshots are made ahead of play: one spacing past the last key.
  #showEnd() {
    return Math.min(maxStep, (this.#show.at(-1)?.step ?? 0) + snapshotSpacing);
  }
  // The show's keys due by `steps` and not typed yet, counted as typed.
  #dueKeys(steps) {
    const from = this.#next;
    while (this.#next < this.#show.length && this.#show[this.#next].step <= steps) ++this.#next;
    return this.#show.slice(from, this.#next);
  }
  // The latest snapshot at or before `step`; the one at step 0 is always kept.
  #nearest(step) {
    return nearestSnapshot(this.#snapshots, snapshotSpacing, step);
  }
  // The program and the show's place as they were at the snapshot of `step`.
  #restore(step) {
    const {pool, random} = this.#snapshots.get(step);
    this.#putBack({pool, random, steps: step, next: this.#show.filter((key) => key.step < step).length,
      played: null, offShow: false});
  }
  #putBack({pool, random, steps, next, played, offShow}) {
    const {state} = this.#program;
    state.pool().set(pool);
    state.setRandom(random);
    this.#program.setSteps(steps);
    this.#steps = steps;
    this.#next = next;
    this.#played = played ?? this.#show.slice(0, next);
    this.#offShow = offShow;
  }
  // Runs the show on from the program's state toward `goal` steps, the
  // particle arithmetic alone, until `deadline`; keeps a snapshot at every
  // multiple of snapshotSpacing it passes or reaches. True once at the goal.
  #runQuietly(goal, deadline) {
    const {state} = this.#program;
    let steps = this.#steps;
    if (steps % snapshotSpacing === 0) this.#snapshot(steps);
    while (steps < goal) {
      for (const {key} of this.#dueKeys(steps)) {
        state.type(key.charCodeAt(0));
        this.#played.push({key, step: steps});
      }
      const nextKey = this.#show[this.#next]?.step ?? Infinity;
      const until = Math.min(goal, nextKey, steps - (steps % snapshotSpacing) + snapshotSpacing, steps + 100);
      state.advance(until - steps);
      this.#steps = steps = until;
      if (steps % snapshotSpacing === 0) this.#snapshot(steps);
      if (performance.now() > deadline) break;
    }
    this.#program.setSteps(steps);
    return steps >= goal;
  }

  // The seek under way, a slice of it: at most seekSlice milliseconds of
  // steps, then the page's other tasks, then on. It waits for a program
  // that has not started.
  #seekOn() {
    const request = this.#seekRequest;
    const program = this.#program;
    if (!request || this.#seekSliced) return;
    if (!program?.setSteps) {
      if (!program && this.#phase === 'ended' && this.isConnected) this.#restart();
      return;
    }
    const goal = Math.max(0, request.target - 1);
    if (!request.begun) {
      request.begun = true;
      const from = seekFrom(this.#snapshots, snapshotSpacing, {steps: this.#steps, target: request.target,
        offShow: this.#offShow});
      if (from !== null) this.#restore(from);
    }
    if (!this.#runQuietly(goal, performance.now() + seekSlice)) {
      this.#seekSliced = true;
      nextTask(() => {
        this.#seekSliced = false;
        this.#seekOn();
      });
      return;
    }
    this.#seekRequest = null;
    if (request.target > 0) this.#drawStep();
    else program.wake(); // step 0 is drawn by the next frame, as at the start
    request.resolve();
    this.dispatchEvent(new Event('seeked'));
    this.#buildAhead();
  }
  #drawStep() {
    this.#drawing = true;
    this.#program.stepOnce();
    this.#drawing = false;
  }
  #abortSeek() {
    const request = this.#seekRequest;
    this.#seekRequest = null;
    request?.reject(new DOMException('The seek was stopped before it reached its step.', 'AbortError'));
  }

  // Snapshots of the show up to one spacing past its last key, made a
  // slice at a time while the page has nothing else to do, so that a seek
  // anywhere in it runs from one nearby. The run's own state is put back
  // after each slice.
  #buildAhead() {
    if (this.#building) return;
    this.#building = true;
    idleTask(() => {
      this.#building = false;
      const program = this.#program;
      const end = this.#showEnd();
      const from = program?.setSteps && !this.#seekRequest ? this.#nearest(end) : end;
      if (from + snapshotSpacing > end) return;
      const {state} = program;
      const kept = {pool: state.pool().slice(), random: state.random(), steps: this.#steps, next: this.#next,
        played: this.#played, offShow: this.#offShow};
      this.#restore(from);
      this.#runQuietly(end, performance.now() + seekSlice);
      this.#putBack(kept);
      this.#buildAhead();
    });
  }

  #beforeStep(program, steps) {
    if (program !== this.#program || (this.#seekRequest && !this.#drawing)) return false;
    if (!this.#drawing && this.#loop !== null) {
      if (steps >= (this.#loop === 'show' ? (this.#show.at(-1)?.step ?? 0) + afterLastKey : this.#loop)) {
        this.#restore(0);
        steps = 0;
        this.dispatchEvent(new Event('loop')); // before the round's first keys are heard
      }
    }
    if (steps % snapshotSpacing === 0) this.#snapshot(steps);
    this.#steps = steps + 1;
    if (this.#phase === 'starting') {
      this.#phase = 'running';
      queueMicrotask(() => this.dispatchEvent(new Event('ready')));
    }
    this.#typing = true;
    for (const {key} of this.#dueKeys(steps)) program.typeKey(key.charCodeAt(0));
    this.#typing = false;
    for (const key of this.#waiting.splice(0)) program.typeKey(key.charCodeAt(0));
    return true;
  }

  // A key the program took: a burst key joins the show so far; one the
  // show did not type takes the show over, which plays no further.
  #taken(program, code, steps) {
    const key = String.fromCharCode(code);
    if (program !== this.#program || !showFormat.burstKeys.includes(key)) return;
    this.#played.push({key, step: steps});
    if (!this.#typing) {
      this.#next = this.#show.length;
      this.#offShow = true;
    }
    if (this.hasAttribute('sound')) soundBurst(key);
    this.dispatchEvent(new CustomEvent('burst', {detail: {key, step: steps, fromShow: this.#typing}}));
  }

  #exited(program, status) {
    if (program !== this.#program) return;
    this.#program = null;
    this.#abortSeek();
    if (status === 0) { // ESC
      this.#phase = 'ended';
      this.dispatchEvent(new Event('ended'));
      return;
    }
    this.#phase = 'failed';
    const message = surface.gl ? this.#lines.join(' ') || `The firework stopped with status ${status}.` : noWebglLine;
    this.#fail(message, true);
  }
  // A failure inside the program, or WebAssembly the browser refused.
  #aborted(program, reason) {
    if (program !== this.#program) return;
    this.#program = null;
    const drawn = this.#phase === 'running';
    this.#phase = 'failed';
    this.#abortSeek();
    program.end?.();
    this.#fail(`The firework ${drawn ? 'stopped' : 'could not start'}: ${reason?.message ?? reason}`, true);
  }

  // Space and "." are the element's own, as on the page; a shortcut, or a
  // key one of its controls takes, is not (keyRules). Without `keys` no
  // key reaches the program.
  #onKeydown(event) {
    if (!this.hasAttribute('keys')) {
      event.stopImmediatePropagation();
      return;
    }
    if (keyRules.modified(event) || keyRules.ownedByControl(event)) return;
    if (event.key === ' ') this.paused = !this.#paused;
    else if (event.key === '.') this.step();
    else return;
    event.preventDefault();
    event.stopImmediatePropagation();
  }
}

for (const name of booleans) {
  Object.defineProperty(FireworkPlayer.prototype, name, {
    get() {
      return this.hasAttribute(name);
    },
    set(on) {
      this.toggleAttribute(name, Boolean(on));
    },
    configurable: true,
  });
}

window.FireworkPlayer = FireworkPlayer;
customElements.define('firework-player', FireworkPlayer);
