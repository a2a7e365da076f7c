// burst_sound.js: the bursts' sound, made with Web Audio from code: no
// sample files, so nothing to download and it works offline.
//
// Each burst key sounds at once: a second of noise (the same every time,
// from a fixed seed) through a filter that sweeps, under a fast attack and
// a decaying envelope, placed left or right; r, which brings every particle
// back, adds a low thump. A burst's sound depends on its key alone, so the
// same show always sounds the same, live or rendered offline for a video.
// <firework-player> plays it live, and the site's video (video.js) renders it
// offline.
// Limits: no crackle as particles flash back.

// Per burst key: the filter, its sweep in Hz, its sharpness, the loudness,
// the place from left (-1) to right (1) and how long the sound rings, in s.
const burstVoices = {
  w: {filter: 'bandpass', from: 500, to: 2400, q: 3, gain: 0.7, pan: 0, ring: 0.9},
  s: {filter: 'bandpass', from: 2400, to: 400, q: 3, gain: 0.7, pan: 0, ring: 0.9},
  a: {filter: 'bandpass', from: 1400, to: 700, q: 2, gain: 0.7, pan: -0.8, ring: 0.8},
  d: {filter: 'bandpass', from: 700, to: 1400, q: 2, gain: 0.7, pan: 0.8, ring: 0.8},
  z: {filter: 'lowpass', from: 900, to: 250, q: 1, gain: 0.45, pan: 0, ring: 1.3},
  c: {filter: 'highpass', from: 1500, to: 4000, q: 1, gain: 0.9, pan: 0, ring: 0.6},
  r: {filter: 'lowpass', from: 2500, to: 150, q: 1, gain: 1, pan: 0, ring: 1.6, thump: true},
};

// Each context's second of noise.
const burstNoise = new WeakMap();

// The second of noise for `context`: white noise from a linear congruential
// generator with a fixed seed, so that every render draws the same samples.
function noiseFor(context) {
  if (!burstNoise.has(context)) {
    const buffer = context.createBuffer(1, context.sampleRate, context.sampleRate);
    const samples = buffer.getChannelData(0);
    let state = 1;
    for (let i = 0; i < samples.length; ++i) {
      state = (Math.imul(state, 1103515245) + 12345) >>> 0;
      samples[i] = state / 2147483648 - 1;
    }
    burstNoise.set(context, buffer);
  }
  return burstNoise.get(context);
}

// Schedules the sound of burst `key` on `context` (a live or an offline
// one) at time `when`, in seconds of the context's clock, into `output`.
export function scheduleBurst(context, key, when, output = context.destination) {
  const voice = burstVoices[key];
  const level = context.createGain();
  level.gain.setValueAtTime(0, when);
  level.gain.linearRampToValueAtTime(0.5 * voice.gain, when + 0.005);
  level.gain.exponentialRampToValueAtTime(0.0001, when + voice.ring);
  const place = context.createStereoPanner();
  place.pan.value = voice.pan;
  level.connect(place).connect(output);

  const noise = context.createBufferSource();
  noise.buffer = noiseFor(context);
  const filter = context.createBiquadFilter();
  filter.type = voice.filter;
  filter.Q.value = voice.q;
  filter.frequency.setValueAtTime(voice.from, when);
  filter.frequency.exponentialRampToValueAtTime(voice.to, when + voice.ring);
  noise.connect(filter).connect(level);
  noise.start(when);
  noise.stop(when + voice.ring);
  if (voice.thump) {
    const thump = context.createOscillator();
    thump.frequency.setValueAtTime(90, when);
    thump.frequency.exponentialRampToValueAtTime(35, when + 0.4);
    thump.connect(level);
    thump.start(when);
    thump.stop(when + 0.4);
  }
}

// The sound of `keys` ([{key, step}]) over `frames` frames of 60 a second,
// rendered offline: a key taken at step s sounds from frame s, which shows
// step s + 1. Resolves to an AudioBuffer, 48 kHz stereo.
// Web Audio adds up the inputs of a node in an order of its own, and floats
// added in another order differ in their last bits; so the bursts join one
// at a time, each into a node of its own with the sum so far, and every
// render of a show adds them up alike. With `song` (an AudioBuffer), the
// song plays from time 0 beside them; without `bursts`, it plays alone.
export function renderSound(keys, frames, {song = null, bursts = true} = {}) {
  const context = new OfflineAudioContext(2, Math.ceil(frames / 60 * 48000), 48000);
  let sum = null;
  if (song) {
    const source = context.createBufferSource();
    source.buffer = song;
    sum = context.createGain();
    source.connect(sum);
    source.start(0);
  }
  for (const {key, step} of bursts ? keys.filter(({step}) => step < frames) : []) {
    const joined = context.createGain();
    sum?.connect(joined);
    scheduleBurst(context, key, step / 60, joined);
    sum = joined;
  }
  sum?.connect(context.destination);
  return context.startRendering();
}
