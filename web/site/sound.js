// sound.js: the page's sound: every burst key the program takes sounds
// (burst_sound.js) while the visitor has sound on.
//
// page.js loads this file once the firework's first frame is drawn, and
// enables the Sound button then. No AudioContext is made until the visitor
// turns sound on, so the page trips no browser's autoplay rule. Sound stops
// when the firework ends (ESC), pauses while the tab is hidden and comes
// back with it if it was on.
'use strict';

const sound = {
  on: false,
  ended: false, // the firework has ended: no more sound
  context: null, // made when sound is first turned on
};

// Module.onKey's part: a burst key the program took sounds now, if sound
// is on.
function soundKey(key) {
  if (sound.on && !sound.ended && burstVoices[key]) scheduleBurst(sound.context, key, sound.context.currentTime);
}

// The Sound button: the first press makes the audio context, inside the
// visitor's gesture. On iPhones a page's sound is muted by the silent
// switch unless it asks to play as media.
function toggleSound(button) {
  sound.on = !sound.on;
  button.setAttribute('aria-pressed', String(sound.on));
  if (sound.on) {
    if (navigator.audioSession) navigator.audioSession.type = 'playback';
    sound.context ??= new AudioContext();
    sound.context.resume();
  } else {
    sound.context?.suspend();
  }
}

// The firework has ended: its sound with it.
function endSound(button) {
  sound.ended = true;
  button.disabled = true;
  sound.context?.close();
}

document.addEventListener('visibilitychange', () => {
  if (!sound.context || sound.ended) return;
  if (document.hidden) sound.context.suspend();
  else if (sound.on) sound.context.resume();
});
