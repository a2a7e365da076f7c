// kept_shows.js: the shows edited on this device, each under an entry of
// its own in a Storage (localStorage), and the address that holds the show
// being edited. No page here: editor.js hands the storage and the clock.
//
// An entry is "firework-editor-show:ID" → {show, music, edited, steps,
// cues}: the show as written, the song it is made to ({name, seconds,
// tempo, firstBeat}, or null), when it was last edited (ms since 1970),
// its last cue's step and its number of cues. A tab writes only its own
// entry, so two tabs never overwrite each other's. The newest 30 are kept;
// a full storage gives up the oldest others first.
//
// The address is #show=TEXT, then &music=NAME,SECONDS for the song it is
// made to, whether or not this device has it.
import {showFormat} from '../show_format.js';

export const keptPrefix = 'firework-editor-show:';
const legacyKey = 'firework-editor-show'; // the one show kept before shows were kept apart
const kept = 30;

// The address of show `text` made to `song` ({name, seconds}, or null).
export const showAddress = (text, song) => showFormat.prefix + text +
  (song ? `&music=${encodeURIComponent(song.name)},${song.seconds.toFixed(2)}` : '');

// The song an address names: {name, seconds}, or null.
export function musicInAddress(hash) {
  const found = /&music=([^,&]*),([\d.]+)/.exec(hash);
  if (!found) return null;
  try {
    return {name: decodeURIComponent(found[1]), seconds: Number(found[2])};
  } catch (error) {
    return null;
  }
}

// Every kept show, the last edited first: [{id, show, music, edited,
// steps, cues}]. Storage that cannot be read holds none; an entry that
// cannot be read is passed over.
export function keptShows(storage) {
  const shows = [];
  try {
    for (let i = 0; i < storage.length; ++i) {
      const key = storage.key(i);
      if (!key?.startsWith(keptPrefix)) continue;
      try {
        const entry = JSON.parse(storage.getItem(key));
        if (typeof entry?.show === 'string') shows.push({...entry, id: key.slice(keptPrefix.length)});
      } catch (error) {
        // Not an entry of ours.
      }
    }
    const legacy = storage.getItem(legacyKey);
    if (legacy && !shows.length) shows.push({id: 'earlier', show: legacy, music: null, edited: 0, steps: 0, cues: 0});
  } catch (error) {
    return [];
  }
  return shows.sort((one, other) => other.edited - one.edited);
}

// Writes entry `id`; where the storage is full, the oldest other entries
// make room. Resolves to whether it was kept.
export function keepShow(storage, id, entry) {
  const others = () => keptShows(storage).filter((show) => show.id !== id);
  try {
    for (const old of others().slice(kept - 1)) storage.removeItem(keptPrefix + old.id);
  } catch (error) {
    return false;
  }
  for (;;) {
    try {
      storage.setItem(keptPrefix + id, JSON.stringify(entry));
      if (id !== 'earlier') storage.removeItem(legacyKey);
      return true;
    } catch (error) {
      const oldest = others().at(-1);
      if (!oldest) return false;
      storage.removeItem(keptPrefix + oldest.id);
    }
  }
}

// Whether any kept show but `except` is made to the song `name`.
export const songNamed = (storage, name, except) =>
  keptShows(storage).some((show) => show.id !== except && show.music?.name === name);

// A new entry's id: the time, and a random part, so that two tabs opened
// at once differ.
export const newShowId = (now, random = Math.random) => `${now.toString(36)}-${Math.floor(random() * 36 ** 6)
  .toString(36)}`;

// A kept show as its link names it: "0:46 · 12 cues · song.mp3", or
// "1:02:05 · …" past an hour.
export function showTitle({steps, cues, music}) {
  const seconds = Math.round(steps / showFormat.stepsPerSecond);
  const two = (value) => String(value).padStart(2, '0');
  const minutes = Math.floor(seconds / 60);
  const length = minutes < 60 ? `${minutes}:${two(seconds % 60)}` :
    `${Math.floor(minutes / 60)}:${two(minutes % 60)}:${two(seconds % 60)}`;
  return [length, `${cues} cue${cues === 1 ? '' : 's'}`, music?.name].filter(Boolean).join(' · ');
}

// `write()` at most once every `interval` ms, and always after the last
// call of the function returned: the first call writes at once, later ones
// within the interval are gathered into one write at its end. `clock`:
// {now(), later(run, ms)}.
export function throttled(write, interval, clock) {
  let last = -Infinity;
  let waiting = false;
  const run = () => {
    waiting = false;
    last = clock.now();
    write();
  };
  return () => {
    if (waiting) return;
    const wait = last + interval - clock.now();
    if (wait <= 0) run();
    else {
      waiting = true;
      clock.later(run, wait);
    }
  };
}
