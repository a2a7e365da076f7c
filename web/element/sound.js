// sound.js: the bursts' sound of every element of the page.
import {scheduleBurst} from '../burst_sound.js';
import {surface} from './surface.js';

// The bursts' sound, in one audio context for the page, made at the
// first burst to sound once the visitor has touched the page, running
// while a connected element has sound on and suspended while none has
// (followSound, at every connection, removal and change of `sound`). On
// iPhones a page's sound is muted by the silent switch unless it asks to
// play as media.
const audio = {context: null, touched: false};
const touched = () => navigator.userActivation?.hasBeenActive ?? audio.touched;
if (!navigator.userActivation) {
  for (const type of ['pointerdown', 'keydown']) {
    addEventListener(type, () => (audio.touched = true), {capture: true, once: true});
  }
}
const hearing = () => {
  if (!audio.context && touched()) {
    if (navigator.audioSession) navigator.audioSession.type = 'playback';
    audio.context = new AudioContext();
  }
  return audio.context;
};
export const soundBurst = (key) => {
  if (hearing()) scheduleBurst(audio.context, key, audio.context.currentTime);
};
export const followSound = () => {
  if ([...surface.elements].some((element) => element.hasAttribute('sound'))) hearing()?.resume();
  else audio.context?.suspend();
};
