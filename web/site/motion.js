// motion.js: the firework's pace, in the visitor's hands. Pause and play
// (the Pause button, a toggle, or Space), one step at a time while paused
// (the Step button, or "."), and slow motion (the Speed control: a step on
// every animation frame, every 2nd or every 4th). A step is still one call
// of the program's frame step; only when the page lets it run changes, so a
// show draws the same pictures at any pace. Burst keys still act while
// paused: the program takes them at the current step and the burst shows
// from the next one.
//
// When the system asks for reduced motion as the page opens, the firework
// draws its first frame and waits, paused, and the status line says why.
//
// The platform layer (glut_web.js) reads Module.paused and
// Module.framesPerStep each animation frame and offers Module.stepOnce().
'use strict';

const motion = {
  pauseButton: document.getElementById('pause'),
  stepButton: document.getElementById('step'),
  speed: document.getElementById('speed'),
  reducedLine: 'Paused, as this device asks for reduced motion: press Pause or Space to play.',
  unsay: null,
};

function setPaused(paused) {
  Module.paused = paused;
  motion.pauseButton.setAttribute('aria-pressed', String(paused));
  motion.stepButton.disabled = !paused || motion.pauseButton.disabled;
  if (!paused) motion.unsay(motion.reducedLine);
}

function stepOnce() {
  if (Module.paused && Module.stepOnce) Module.stepOnce();
}

// Space and "." where they are not a control's own keys (Space or Enter on
// a focused button, link or list), and not typed with Ctrl, Alt or Meta.
// They are the page's: the program, which has no use for them, does not get
// them.
function onMotionKey(event) {
  if (motion.pauseButton.disabled || event.ctrlKey || event.altKey || event.metaKey) return;
  if (event.target instanceof Element && event.target.closest('button, a[href], select')) {
    if (event.key === ' ' || event.key === 'Enter') return;
  }
  if (event.key === ' ') setPaused(!Module.paused);
  else if (event.key === '.' && Module.paused) stepOnce();
  else return;
  event.preventDefault();
  event.stopImmediatePropagation();
}

// Wires the controls up; `say` and `unsay` add and remove a status line.
function startMotion(say, unsay) {
  motion.unsay = unsay;
  motion.pauseButton.addEventListener('click', () => setPaused(!Module.paused));
  motion.stepButton.addEventListener('click', stepOnce);
  motion.speed.addEventListener('change', () => (Module.framesPerStep = Number(motion.speed.value)));
  Module.framesPerStep = Number(motion.speed.value);
  window.addEventListener('keydown', onMotionKey, true);
  if (matchMedia('(prefers-reduced-motion: reduce)').matches) {
    setPaused(true);
    say(motion.reducedLine);
  } else {
    setPaused(false);
  }
}

// The firework has ended: nothing left to pace.
function endMotion() {
  motion.pauseButton.disabled = true;
  motion.stepButton.disabled = true;
  motion.speed.disabled = true;
}
