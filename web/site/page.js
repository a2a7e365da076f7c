// page.js: the page around the firework, a <firework-player> (its script
// inside the page, right after it: the firework runs before this script
// does), which it drives through the element's attributes, methods and
// events alone. The program's standard output, its
// instructions, goes under it; anything that goes wrong is said in the
// status line, which also carries a note on the show (show.js). The
// buttons burst through the element, and keys typed anywhere in the page
// reach it as if typed on it; motion.js paces the steps. This file is the
// main page's script: the build bundles it with what it imports.
import {showFormat} from '../show_format.js';
import {keyRules} from '../key_rules.js';
import {startMotion, endMotion} from './motion.js';
import {startShow, showState, showToRender, playBuiltInShow} from './show.js';
import {shareAddress, selectPart} from './share.js';
import {wireVideoButton, removeLeftVideos} from './video_button.js';

const player = document.getElementById('firework');
const statusLine = document.getElementById('status');
const output = document.getElementById('output');
const keyButtons = [...document.querySelectorAll('#controls button[data-key]')];
const fullscreenButton = document.getElementById('fullscreen');
const soundButton = document.getElementById('sound');

// The status line: the note on the show, then what the firework and the
// page have said, a line each.
const statusParts = {note: '', lines: []};
const showStatus = () => {
  statusLine.textContent = [statusParts.note, ...statusParts.lines].filter(Boolean).join('\n');
};

// One line in the status line; a failure also takes the firework's place.
function say(text, failed) {
  statusParts.lines.push(text);
  showStatus();
  if (failed) player.hidden = true;
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
  if (selected) selectPart(statusLine, selected);
}

// The firework's end: by ESC, or by a fatal failure, which the element
// tells in one sentence (the program's own error line, that WebGL is
// missing, or why its WebAssembly would not run). A refused input changes
// nothing and is only said; errors elsewhere in the page are not the
// firework's.
let ended = false;
function end() {
  ended = true;
  for (const button of keyButtons) button.disabled = true;
  soundButton.disabled = true;
  endMotion();
}
player.addEventListener('ended', () => {
  end();
  say('The firework has ended. Reload the page to start it again.', false);
});
function failed({message, fatal}) {
  if (fatal) end();
  say(message, fatal);
}
player.addEventListener('error', (event) => failed(event.detail));
if (player.error) failed(player.error); // before this script ran

// The first frame: the instructions under it, then what it does not wait
// for (the Sound button, and, served over http(s), the manifest and the
// service worker).
function firstFrame() {
  output.textContent = player.output;
  soundButton.disabled = ended;
  becomeInstallable();
  removeLeftVideos().catch(() => {});
}
if (player.currentStep > 0) firstFrame(); // drawn before this script ran
else player.addEventListener('ready', firstFrame, {once: true});

// Phones drop the WebGL context when the tab goes to the background, and a
// GPU reset does it anywhere. The firework holds still meanwhile; when the
// browser gives the context back, it goes on from the step it had reached.
const lostLine = 'The display was lost: the browser took the graphics back. The firework goes on when they return.';
player.addEventListener('webglcontextlost', () => say(lostLine, false));
player.addEventListener('webglcontextrestored', () => unsay(lostLine));

// A burst button bursts on pointer down, at once under a finger; pressed
// from the keyboard (Enter, Space) or by assistive technology it bursts on
// its click, which then has no pointer behind it (detail 0).
for (const button of keyButtons) {
  button.addEventListener('pointerdown', (event) => {
    if (event.button === 0) player.burst(button.dataset.key);
  });
  button.addEventListener('click', (event) => {
    if (event.detail === 0) player.burst(button.dataset.key);
  });
}

// A key typed outside the firework reaches it as if typed on it, save a
// shortcut or a key a control of the page takes (keyRules); a key the
// firework takes does nothing else.
window.addEventListener('keydown', (event) => {
  if (event.composedPath().includes(player) || !customElements.get('firework-player')) return;
  if (keyRules.modified(event) || keyRules.ownedByControl(event)) return;
  const copy = new KeyboardEvent('keydown', {key: event.key, code: event.code, ctrlKey: event.ctrlKey,
    altKey: event.altKey, metaKey: event.metaKey, shiftKey: event.shiftKey, cancelable: true});
  if (!player.dispatchEvent(copy)) event.preventDefault();
});

// Sound: the element's, on while the button is pressed.
soundButton.addEventListener('click', () => {
  player.sound = !player.sound;
  soundButton.setAttribute('aria-pressed', String(player.sound));
});
document.getElementById('share').addEventListener('click', () => shareAddress(location.href, showState.note));
document.getElementById('play-show').addEventListener('click', playBuiltInShow);

// "Compose a show" opens the editor with the show in the address.
const composeLink = document.getElementById('compose');
for (const type of ['pointerdown', 'focus', 'click']) {
  composeLink.addEventListener(type, () => {
    composeLink.href = 'editor.html' + (location.hash.startsWith(showFormat.prefix) ? location.hash : '');
  });
}

// Saving a video (video_button.js): the show so far, or the one played.
wireVideoButton(player, showToRender, say);

// Full screen shows the firework alone, at the screen's size.
if (document.fullscreenEnabled && player.requestFullscreen) {
  fullscreenButton.hidden = false;
  fullscreenButton.addEventListener('click', () => {
    player.requestFullscreen().catch((error) => say('Full screen was refused: ' + error.message, false));
    player.focus();
  });
}

// The show in the address and the pace. A show given once the firework
// runs starts it again from step 0.
startMotion(player, (text) => say(text, false), unsay);
startShow(player, noteShow);

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
