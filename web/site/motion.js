// motion.js: the firework's pace, in the visitor's hands. Pause and play
// (the Pause button, a toggle, or Space), one step at a time while paused
// (the Step button, or "."), and slow motion (the Speed control: a step on
// every animation frame, every 2nd or every 4th). A step is still one call
// of the program's frame step; only when the page lets it run changes, so a
// show draws the same pictures at any pace. Burst keys still act while
// paused: the program takes them at the current step and the burst shows
// from the next one.
//
// The firework, a <firework-player>, keeps the pace: its paused, speed and
// step(), and Space and "." typed on it. Its play and pause events keep
// the Pause button true to it however it was paused.
//
// When the system asks for reduced motion as the page opens, the firework
// draws its first frame and waits, paused, and the status line says why.
const motion = {
  pauseButton: document.getElementById('pause'),
  stepButton: document.getElementById('step'),
  speed: document.getElementById('speed'),
  reducedLine: 'Paused, as this device asks for reduced motion: press Pause or Space to play.',
};

function showPaused(paused) {
  motion.pauseButton.setAttribute('aria-pressed', String(paused));
  motion.stepButton.disabled = !paused || motion.pauseButton.disabled;
}

// Wires the controls up to `player`; `say` and `unsay` add and remove a
// status line.
export function startMotion(player, say, unsay) {
  motion.pauseButton.addEventListener('click', () => (player.paused = !player.paused));
  motion.stepButton.addEventListener('click', () => player.step());
  motion.speed.addEventListener('change', () => (player.speed = Number(motion.speed.value)));
  player.addEventListener('play', () => {
    showPaused(false);
    unsay(motion.reducedLine);
  });
  player.addEventListener('pause', () => showPaused(true));
  const reduced = matchMedia('(prefers-reduced-motion: reduce)').matches;
  showPaused(reduced);
  if (reduced) say(motion.reducedLine);
}

// The firework has ended: nothing left to pace.
export function endMotion() {
  motion.pauseButton.disabled = true;
  motion.stepButton.disabled = true;
  motion.speed.disabled = true;
}
