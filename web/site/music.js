// music.js: the editor's song. A file the visitor picks or drops is
// decoded once (Web Audio) and drawn as a waveform under the cues; its
// tempo and first beat are found off the page's main thread
// (web-audio-beat-detector, beat_detector.js, loaded then), drawn as beat
// lines, and corrected by hand or by tapping. While it plays, the preview's
// steps follow the song's clock, not the display's frames.
//
// The song never leaves the device: it is kept in the origin's private file
// system (or IndexedDB, where that cannot be written) beside the last show
// (its name, length and beats in localStorage), and
// the address carries only its name and length, as &music=NAME,SECONDS
// after the show. Limits: 15 minutes; one decoded copy (some 230 MB for 10
// minutes of stereo at 48 kHz), and the waveform as the loudest sample of
// each step, not the samples.
'use strict';

const music = {
  context: null, // the page's AudioContext for the song, made at the first song
  buffer: null, // the song, decoded: the one copy kept
  name: '',
  get seconds() { // the song's length, 0 without one
    return this.buffer?.duration ?? 0;
  },
  peaks: null, // Float32Array: the loudest sample of each step
  tempo: 0, // beats a minute; 0 while none is known
  firstBeat: 0, // seconds
  snap: false,
  source: null, // while it plays: the AudioBufferSourceNode
  startedAt: 0, // the context's time when it started
  from: 0, // the song's time it started from, in seconds
  taps: [], // Tap tempo's taps, in seconds of the page's clock
  maxSeconds: 15 * 60,
  file: 'firework-editor-music', // the private file system's file, and localStorage's key of its name and length
};

const musicSeconds = (seconds) => `${Math.floor(seconds / 60)}:${String(Math.floor(seconds % 60)).padStart(2, '0')}`;
// The address's part for the song: "&music=NAME,SECONDS", or ''.
const musicPart = () => (music.buffer ? `&music=${encodeURIComponent(music.name)},${music.seconds.toFixed(2)}` : '');
// The song the address names: {name, seconds}, or null.
function musicInAddress() {
  const found = /&music=([^,&]*),([\d.]+)/.exec(location.hash);
  if (!found) return null;
  try {
    return {name: decodeURIComponent(found[1]), seconds: Number(found[2])};
  } catch (error) {
    return null;
  }
}

// How long a file plays, from its metadata alone, so that a song over the
// limit is refused before it is decoded; NaN, or Infinity, where the
// browser cannot tell.
const fileSeconds = (file) => new Promise((resolve) => {
  const audio = new Audio();
  const address = URL.createObjectURL(file);
  const done = (seconds) => {
    URL.revokeObjectURL(address);
    audio.removeAttribute('src');
    resolve(seconds);
  };
  audio.preload = 'metadata';
  audio.onloadedmetadata = () => done(audio.duration);
  audio.onerror = () => done(NaN);
  audio.src = address;
});

// Decodes `file` and makes it the song: resolves to '' or to why not. The
// show, and any song before, stay as they were when it fails. A new song
// (`fresh`) has its length read first, and is kept on this device; one
// brought back from there was both when it came.
async function readMusic(file, fresh = true) {
  const over = (seconds) => `This song is ${musicSeconds(seconds)} long, over the editor's 15 minutes.`;
  const length = fresh ? await fileSeconds(file) : NaN;
  if (Number.isFinite(length) && length > music.maxSeconds) return over(length);
  music.context ??= new AudioContext();
  let buffer;
  try {
    buffer = await music.context.decodeAudioData(await file.arrayBuffer());
  } catch (error) {
    return `This file could not be read as sound: ${error.message || error.name}.`;
  }
  if (buffer.duration > music.maxSeconds) return over(buffer.duration);
  const peaks = await musicPeaks(buffer);
  stopMusic();
  Object.assign(music, {buffer, name: file.name, peaks, tempo: 0, firstBeat: 0, snap: false});
  if (fresh) await keepMusic(file);
  return '';
}

// The loudest sample of each step, over the channels; a slice of 1,000
// steps at a time, the page's other tasks between them.
async function musicPeaks(buffer) {
  const perStep = buffer.sampleRate / showFormat.stepsPerSecond;
  const peaks = new Float32Array(Math.ceil(buffer.length / perStep));
  for (let channel = 0; channel < buffer.numberOfChannels; ++channel) {
    const samples = buffer.getChannelData(channel);
    for (let step = 0; step < peaks.length; ++step) {
      if (step % 1000 === 999) await new Promise((resolve) => setTimeout(resolve));
      let loudest = peaks[step];
      for (let i = Math.floor(step * perStep), end = Math.min(samples.length, (step + 1) * perStep); i < end; ++i) {
        const sample = Math.abs(samples[i]);
        if (sample > loudest) loudest = sample;
      }
      peaks[step] = loudest;
    }
  }
  return peaks;
}

// Where the song is kept: the private file system's folder, or null
// where there is none to write to (file://; WebKitGTK has none, and Safari
// long had no createWritable), and then IndexedDB.
async function musicFolder() {
  const folder = await navigator.storage?.getDirectory?.().catch(() => null);
  return typeof FileSystemFileHandle !== 'undefined' && FileSystemFileHandle.prototype.createWritable ? folder : null;
}
// A request of IndexedDB's store of songs ('readonly' or 'readwrite'
// `mode`, `ask(store)` making it), resolved to its result.
const musicDatabase = (mode, ask) => new Promise((resolve, reject) => {
  const opening = indexedDB.open('firework-editor', 1);
  opening.onupgradeneeded = () => opening.result.createObjectStore('music');
  opening.onerror = () => reject(opening.error);
  opening.onsuccess = () => {
    const request = ask(opening.result.transaction('music', mode).objectStore('music'));
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  };
});
async function keepMusic(file) {
  try {
    const folder = await musicFolder();
    if (folder) {
      const writable = await (await folder.getFileHandle(music.file, {create: true})).createWritable();
      await writable.write(file);
      await writable.close();
    } else {
      const bytes = await file.arrayBuffer(); // WebKit stores no Blob in IndexedDB in some sessions
      await musicDatabase('readwrite', (store) => store.put(bytes, music.file));
    }
    localStorage.setItem(music.file, JSON.stringify({name: file.name, seconds: music.seconds}));
  } catch (error) {
    // Not kept: the song stays for this visit.
  }
}
// The song kept on this device: {file, name, seconds, tempo, firstBeat},
// or null.
async function keptMusic() {
  try {
    const kept = JSON.parse(localStorage.getItem(music.file));
    if (!kept) return null;
    const folder = await musicFolder();
    const blob = folder ? await (await folder.getFileHandle(music.file)).getFile()
      : await musicDatabase('readonly', (store) => store.get(music.file));
    return blob ? {...kept, file: new File([blob], kept.name)} : null;
  } catch (error) {
    return null;
  }
}
// The song's beats, kept beside it, so that a tempo given by hand stays.
function keepBeats() {
  try {
    const kept = JSON.parse(localStorage.getItem(music.file));
    if (!kept || kept.name !== music.name) return;
    localStorage.setItem(music.file, JSON.stringify({...kept, tempo: music.tempo, firstBeat: music.firstBeat}));
  } catch (error) {
    // Not kept: the beats stay for this visit.
  }
}
async function forgetMusic() {
  stopMusic();
  Object.assign(music, {buffer: null, name: '', peaks: null, tempo: 0, snap: false});
  try {
    localStorage.removeItem(music.file);
    const folder = await musicFolder();
    if (folder) await folder.removeEntry(music.file);
    else await musicDatabase('readwrite', (store) => store.delete(music.file));
  } catch (error) {
    // Nothing was kept.
  }
}

// The tempo and first beat, found off the main thread: resolves to '' or
// to why none was found. The detector listens below 150 Hz, and keeps the
// last buffer it was given: it is given the song mixed down to mono at
// 4 kHz (some 10 MB for 10 minutes), never the song itself.
async function findBeats() {
  try {
    if (typeof beatDetector === 'undefined') await loadScript('beat_detector.js');
    const rate = 4000;
    const mixing = new OfflineAudioContext(1, Math.ceil(music.seconds * rate), rate);
    const source = mixing.createBufferSource();
    source.buffer = music.buffer;
    source.connect(mixing.destination);
    source.start();
    const {bpm, offset} = await beatDetector.guess(await mixing.startRendering());
    if (!(bpm > 0)) return 'No tempo was found in this song: give one by hand or with Tap tempo.';
    Object.assign(music, {tempo: bpm, firstBeat: offset, snap: true});
    return '';
  } catch (error) {
    return `No tempo was found in this song (${error.message || error}): give one by hand or with Tap tempo.`;
  }
}
const beatsLine = () => (music.tempo ? `${Math.round(music.tempo * 100) / 100} BPM, first beat at ` +
  `${Math.round(music.firstBeat * 100) / 100} s` : 'No tempo yet');

// The beats' steps (fractional) from `from` to `to`, with their numbers
// (0: the first beat).
function beatsBetween(from, to) {
  if (!music.tempo) return [];
  const spacing = 3600 / music.tempo; // steps a beat
  const first = music.firstBeat * showFormat.stepsPerSecond;
  const beats = [];
  for (let n = Math.max(0, Math.ceil((from - first) / spacing)); first + n * spacing <= to; ++n) {
    beats.push({step: first + n * spacing, n});
  }
  return beats;
}
// `step`, or the nearest beat's while snapping.
function snapStep(step) {
  if (!music.snap || !music.tempo) return step;
  const spacing = 3600 / music.tempo;
  const first = music.firstBeat * showFormat.stepsPerSecond;
  return Math.max(0, Math.round(first + Math.max(0, Math.round((step - first) / spacing)) * spacing));
}
// Tap tempo: the beats a minute of the last taps, once there are two within
// two seconds of each other; 0 before.
function tapTempo(now) {
  if (music.taps.length && now - music.taps.at(-1) > 2) music.taps = [];
  music.taps = [...music.taps, now].slice(-8);
  const taps = music.taps;
  return taps.length < 2 ? 0 : 60 * (taps.length - 1) / (taps.at(-1) - taps[0]);
}

// Playing: the song from `seconds` on, now.
function playMusic(seconds) {
  stopMusic();
  music.context.resume();
  music.source = music.context.createBufferSource();
  music.source.buffer = music.buffer;
  music.source.connect(music.context.destination);
  music.from = seconds;
  music.startedAt = music.context.currentTime;
  music.source.start(0, Math.min(seconds, music.seconds));
}
function stopMusic() {
  music.source?.stop();
  music.source?.disconnect();
  music.source = null;
}
// The step of the song's time now, as heard: its clock less the output's
// latency.
const musicStep = () => Math.max(0, Math.floor((music.context.currentTime - music.startedAt -
  (music.context.outputLatency || 0) + music.from) * showFormat.stepsPerSecond));
