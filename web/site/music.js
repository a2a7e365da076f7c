// music.js: the editor's song, its sound. A file the visitor picks or drops
// is decoded once (Web Audio) and its waveform taken as the loudest sample
// of each step; its tempo and first beat are found off the page's main
// thread (web-audio-beat-detector, beat_detector.js, loaded then); it
// plays from any second, and its clock gives the step heard. What the song
// is (its name, length and beats) is the show document's; this holds the
// sound.
//
// The song never leaves the device: its file is kept in the origin's
// private file system (or IndexedDB, where that cannot be written) under
// its name, for every kept show that names it (kept_shows.js), and the
// address carries only its name and length. Limits: 15 minutes; one
// decoded copy (some 230 MB for 10 minutes of stereo at 48 kHz).
//
// Every song added or removed is a new `generation`: a decode, a read from
// the device or a beat detection that finishes after its song was replaced
// or removed is dropped by the one who asked (late()).
import {showFormat} from '../show_format.js';
import {loadScript} from './load_script.js';

export const music = {
  context: null, // the page's AudioContext for the song, made at the first song
  buffer: null, // the song, decoded: the one copy kept
  peaks: null, // Float32Array: the loudest sample of each step
  source: null, // while it plays: the AudioBufferSourceNode
  startedAt: 0, // the context's time when it started
  from: 0, // the song's time it started from, in seconds
  taps: [], // Tap tempo's taps, in seconds of the page's clock
  generation: 0,
  maxSeconds: 15 * 60,
};

// A check for what is under way: true once the song it began with is gone.
export function songWatch() {
  const generation = music.generation;
  return () => generation !== music.generation;
}

export const musicSeconds = (seconds) => `${Math.floor(seconds / 60)}:${String(Math.floor(seconds % 60))
  .padStart(2, '0')}`;

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

// Decodes `file`: resolves to {buffer, peaks}, or {refused: why}. A new
// song (`fresh`) has its length read first; one brought back from this
// device was measured when it came. Nothing changes here: the caller
// takes it with takeSong(), or drops it.
export async function readMusic(file, fresh = true) {
  const over = (seconds) => ({refused: `This song is ${musicSeconds(seconds)} long, over the editor's 15 minutes.`});
  const length = fresh ? await fileSeconds(file) : NaN;
  if (Number.isFinite(length) && length > music.maxSeconds) return over(length);
  music.context ??= new AudioContext();
  let buffer;
  try {
    buffer = await music.context.decodeAudioData(await file.arrayBuffer());
  } catch (error) {
    return {refused: `This file could not be read as sound: ${error.message || error.name}.`};
  }
  if (buffer.duration > music.maxSeconds) return over(buffer.duration);
  return {buffer, peaks: await musicPeaks(buffer)};
}

// The song's sound, decoded, made the one heard and drawn; null: none.
export function takeSong(read) {
  stopMusic();
  ++music.generation;
  Object.assign(music, {buffer: read?.buffer ?? null, peaks: read?.peaks ?? null});
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

// The device's file of the song named `name`.
const songFile = (name) => `firework-song-${encodeURIComponent(name)}`;
// Where a song is kept: the private file system's folder, or null where
// there is none to write to (file://; WebKitGTK has none, and Safari long
// had no createWritable), and then IndexedDB.
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
// `file` kept on this device under its name: resolves to whether it was.
export async function keepSong(file) {
  try {
    const folder = await musicFolder();
    if (folder) {
      const writable = await (await folder.getFileHandle(songFile(file.name), {create: true})).createWritable();
      await writable.write(file);
      await writable.close();
    } else {
      const bytes = await file.arrayBuffer(); // WebKit stores no Blob in IndexedDB in some sessions
      await musicDatabase('readwrite', (store) => store.put(bytes, songFile(file.name)));
    }
    return true;
  } catch (error) {
    return false; // not kept: the song stays for this visit
  }
}
// The song named `name` kept on this device, as a File, or null. A song
// kept before shows were kept apart is found under the one name it had.
export async function keptSong(name) {
  const read = async (file) => {
    const folder = await musicFolder();
    return folder ? (await folder.getFileHandle(file)).getFile()
      : musicDatabase('readonly', (store) => store.get(file));
  };
  for (const file of [songFile(name), 'firework-editor-music']) {
    try {
      const blob = await read(file);
      if (blob) return new File([blob], name);
    } catch (error) {
      // Not under this name.
    }
  }
  return null;
}
export async function forgetSong(name) {
  try {
    const folder = await musicFolder();
    if (folder) await folder.removeEntry(songFile(name));
    else await musicDatabase('readwrite', (store) => store.delete(songFile(name)));
  } catch (error) {
    // Nothing was kept.
  }
}

// The tempo and first beat of `buffer`, found off the main thread:
// resolves to {tempo, firstBeat} or {none: why}. The detector listens
// below 150 Hz, and keeps the last buffer it was given: it is given the
// song mixed down to mono at 4 kHz (some 10 MB for 10 minutes), never the
// song itself.
export async function findBeats(buffer) {
  try {
    if (typeof beatDetector === 'undefined') await loadScript('beat_detector.js');
    const rate = 4000;
    const mixing = new OfflineAudioContext(1, Math.ceil(buffer.duration * rate), rate);
    const source = mixing.createBufferSource();
    source.buffer = buffer;
    source.connect(mixing.destination);
    source.start();
    const {bpm, offset} = await beatDetector.guess(await mixing.startRendering());
    if (!(bpm > 0)) return {none: 'No tempo was found in this song: give one by hand or with Tap tempo.'};
    return {tempo: bpm, firstBeat: offset};
  } catch (error) {
    return {none: `No tempo was found in this song (${error.message || error}): give one by hand or with Tap tempo.`};
  }
}

// "120 BPM, first beat at 0.25 s", of a song's {tempo, firstBeat}.
export const beatsLine = (song) => (song?.tempo ? `${Math.round(song.tempo * 100) / 100} BPM, first beat at ` +
  `${Math.round(song.firstBeat * 100) / 100} s` : 'No tempo yet');

// Tap tempo: the beats a minute of the last `taps` (seconds, the newest
// last), once there are two within two seconds of each other; 0 before.
// Returns the taps to keep and the tempo.
export function tapTempo(taps, now) {
  const kept = [...(taps.length && now - taps.at(-1) > 2 ? [] : taps), now].slice(-8);
  return {taps: kept, tempo: kept.length < 2 ? 0 : 60 * (kept.length - 1) / (kept.at(-1) - kept[0])};
}

// Playing: the song from `seconds` on, now.
export function playMusic(seconds) {
  stopMusic();
  music.context.resume();
  music.source = music.context.createBufferSource();
  music.source.buffer = music.buffer;
  music.source.connect(music.context.destination);
  music.from = seconds;
  music.startedAt = music.context.currentTime;
  music.source.start(0, Math.min(seconds, music.buffer.duration));
}
export function stopMusic() {
  music.source?.stop();
  music.source?.disconnect();
  music.source = null;
}
// The step of the song's time now, as heard: its clock less the output's
// latency.
export const musicStep = () => Math.max(0, Math.floor((music.context.currentTime - music.startedAt -
  (music.context.outputLatency || 0) + music.from) * showFormat.stepsPerSecond));
