// page.js: the page around the program. The program's window is the
// canvas, its standard output the instructions under it; anything that goes
// wrong is said in the status line, which also carries a note on the show
// (show.js). The buttons type the burst keys; motion.js paces the steps; the
// program itself comes from firework.js, loaded last; the sound (sound.js)
// comes after the first frame.
'use strict';
const canvas = document.getElementById('canvas');
const statusLine = document.getElementById('status');
const output = document.getElementById('output');
const keyButtons = [...document.querySelectorAll('#controls button[data-key]')];
const fullscreenButton = document.getElementById('fullscreen');
const soundButton = document.getElementById('sound');
const videoButton = document.getElementById('save-video');

// The status line: the note on the show, then what the program and the page
// have said, a line each.
const statusParts = {note: '', lines: []};
const showStatus = () => {
  statusLine.textContent = [statusParts.note, ...statusParts.lines].filter(Boolean).join('\n');
};

// One line in the status line; a failure also takes the canvas's place.
function say(text, failed) {
  statusParts.lines.push(text);
  showStatus();
  if (failed) canvas.hidden = true;
}

// Takes a line said before off the status line.
function unsay(text) {
  statusParts.lines = statusParts.lines.filter((line) => line !== text);
  showStatus();
}

// The note on the show, replacing the one before; `selected`, a part of it,
// is selected so that it can be copied at once.
function noteShow(text, selected = '') {
  statusParts.note = text;
  showStatus();
  if (!selected) return;
  const range = document.createRange();
  const at = text.indexOf(selected);
  range.setStart(statusLine.firstChild, at);
  range.setEnd(statusLine.firstChild, at + selected.length);
  getSelection().removeAllRanges();
  getSelection().addRange(range);
}

// Without WebGL the page says so in one sentence, and that is all it says:
// the program's own report (a line and status 1, as GLUT's where a desktop
// has no OpenGL) is left out. The browser tells the canvas when its context
// cannot be made; no context is made just to ask.
const noWebglLine = 'The firework needs WebGL, which this browser does not offer or has turned off.';
let withoutWebgl = false;
function sayNoWebgl() {
  if (withoutWebgl) return;
  withoutWebgl = true;
  endMotion();
  say(noWebglLine, true);
}
canvas.addEventListener('webglcontextcreationerror', sayNoWebgl);

var Module = {
  canvas: canvas,
  print: (text) => { output.textContent += text + '\n'; },
  // The program's standard error: its one line when the sprite cannot be loaded.
  printErr: (text) => withoutWebgl || say(text, false),
  onExit: (status) => {
    ended = true;
    for (const button of keyButtons) button.disabled = true;
    window.endSound?.(soundButton);
    endMotion();
    if (withoutWebgl) return;
    if (status === 0) {
      say('The firework has ended. Reload the page to start it again.', false);
    } else {
      say('The firework stopped with status ' + status + '.', true);
    }
  },
  onAbort: (reason) => say('The firework could not start: ' + reason, true),
  // The show plays its keys before their steps and records the burst keys
  // the program takes; those keys sound, if sound is on. Once the first
  // step has drawn its frame the sound loads and the page becomes
  // installable.
  beforeStep: (steps) => {
    if (steps === 0) setTimeout(afterFirstFrame);
    playShowKeys(steps);
  },
  onKey: (code, steps) => {
    recordShowKey(code, steps);
    window.soundKey?.(String.fromCharCode(code));
  },
};

window.addEventListener('error', (event) => say('The firework could not start: ' + event.message, true));

// A button types its key: the program gets the key press that typing it
// makes, through the same keyboard handler, so it acts exactly as the key
// does (and not at all once the firework has ended). It acts on pointer
// down, at once under a finger; pressed from the keyboard (Enter, Space)
// or by assistive technology it acts on its click, which then has no
// pointer behind it (detail 0). The show's player types its keys the same
// way, on the canvas.
function typeKey(target, key) {
  target.dispatchEvent(new KeyboardEvent('keydown', {key, bubbles: true, cancelable: true}));
}
for (const button of keyButtons) {
  button.addEventListener('pointerdown', (event) => {
    if (event.button === 0) typeKey(button, button.dataset.key);
  });
  button.addEventListener('click', (event) => {
    if (event.detail === 0) typeKey(button, button.dataset.key);
  });
}
document.getElementById('share').addEventListener('click', shareShow);
document.getElementById('play-show').addEventListener('click', playBuiltInShow);
soundButton.addEventListener('click', () => toggleSound(soundButton));
let ended = false; // the firework has ended

// Saving a video: where the browser has WebCodecs, the button renders the
// show (video.js, loaded then). Which encoders there are is asked only
// then: asking costs the browser its media framework's start-up, which the
// page's first frame should not wait for.
function videoUnsupported(why) {
  videoButton.disabled = true;
  videoButton.title = `This browser cannot save a video: ${why}.`;
}
if (typeof VideoEncoder === 'undefined') videoUnsupported('it has no WebCodecs');
else videoButton.disabled = false;

const loadScript = (src) => new Promise((resolve, reject) => {
  const script = document.createElement('script');
  script.src = src;
  script.onload = resolve;
  script.onerror = () => reject(new Error(`${src} is missing beside this page`));
  document.head.appendChild(script);
});
// The video's code, the first time it is needed: the muxer, the element
// that renders the frames, then video.js.
async function loadVideo() {
  if (typeof renderVideo !== 'undefined') return;
  await loadScript('mediabunny.js');
  await loadScript('firework-player.js');
  await loadScript('video.js');
}

videoButton.addEventListener('click', async () => {
  const {keys, frames} = showToRender();
  if (!frames) return; // not one step yet
  const panel = document.getElementById('rendering');
  const bar = document.getElementById('render-progress');
  const percent = document.getElementById('render-percent');
  let cancelled = false;
  document.getElementById('render-cancel').onclick = () => (cancelled = true);
  videoButton.disabled = true;
  bar.max = frames;
  bar.value = 0;
  percent.textContent = '0 %';
  panel.hidden = false;
  try {
    await loadVideo();
    const withSound = typeof sound !== 'undefined' && sound.on;
    const file = await renderVideo(keys, frames, withSound, (done) => {
      bar.value = done;
      percent.textContent = `${Math.floor(100 * done / frames)} %`;
    }, () => cancelled);
    if (file) await handOver(file);
    videoButton.disabled = false;
  } catch (error) {
    if (error.noEncoder) videoUnsupported(error.message);
    else say('The video could not be saved: ' + error.message, false);
    videoButton.disabled = Boolean(error.noEncoder);
  } finally {
    panel.hidden = true;
  }
});

// Full screen shows the canvas alone; its new size reaches the program as
// a window's resize does, and so does the way back.
if (document.fullscreenEnabled && canvas.requestFullscreen) {
  fullscreenButton.hidden = false;
  fullscreenButton.addEventListener('click', () => {
    canvas.requestFullscreen().catch((error) => say('Full screen was refused: ' + error.message, false));
    canvas.focus();
  });
}

// Phones drop the WebGL context when the tab goes to the background, and a
// GPU reset does it anywhere. The firework holds still meanwhile; when the
// browser gives the context back, it goes on from the step it had reached.
const lostLine = 'The display was lost: the browser took the graphics back. The firework goes on when they return.';
canvas.addEventListener('webglcontextlost', () => say(lostLine, false));
canvas.addEventListener('webglcontextrestored', () => unsay(lostLine));

if (typeof WebGLRenderingContext !== 'undefined') {
  startMotion((text) => say(text, false), unsay);
  startShow((key) => typeKey(canvas, key), noteShow);
  const program = document.createElement('script');
  program.src = 'firework.js';
  program.onerror = () => say('The firework could not start: firework.js is missing beside this page.', true);
  document.body.appendChild(program);
  canvas.focus();
} else {
  sayNoWebgl();
}

// What the first frame does not wait for: the sound, whose button works
// from then on (sound is off until it is pressed), and, served over
// http(s), the manifest, its icons and the service worker.
function afterFirstFrame() {
  loadScript('burst_sound.js').then(() => loadScript('sound.js')).then(() => {
    soundButton.disabled = ended;
  }, (error) => say('Without sound: ' + error.message, false));
  becomeInstallable();
}

// Installable and usable without the network, where the browser allows it:
// only over http(s), never from file://.
function becomeInstallable() {
  if (location.protocol !== 'https:' && location.protocol !== 'http:') return;
  const manifest = document.createElement('link');
  manifest.rel = 'manifest';
  manifest.href = 'manifest.webmanifest';
  document.head.appendChild(manifest);
  if ('serviceWorker' in navigator) {
    navigator.serviceWorker.register('service-worker.js')
      .catch((error) => console.info('Without offline use: ' + error.message));
  }
}
