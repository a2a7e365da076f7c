// show_format.js: the show format, read and written. The page's address
// holds a show (show.js), and so does a <firework-player>'s show attribute.
//
// A show is the list of burst keys (w s a d z c r) the program has taken
// since start-up, each with its step: the number of frame steps the program
// had run when the key arrived. Every run of the firework computes the same
// frames, so the same keys delivered at the same steps draw the same picture
// at every step, in any browser, at the same canvas size.
//
// Written, a show is 1.<keys>: 1 is the format's version; each key is its
// letter in capitals followed by the steps since the key before it (the
// first: since start-up) in base 36, lower case, nothing for none.
// "1.RA1eA" is r at step 0, then a at step 50 and again at step 50. A minus
// sign before the steps would take the step back; such a show is refused. A
// show longer than 64 KB, with more than 10,000 keys or a key of
// 2,176,782,335 steps or more (six digits) is refused whole: the editor
// refuses an edit past the same limits (showLimit).

export const showFormat = {
  version: '1',
  prefix: '#show=',
  burstKeys: 'wsadzcr',
  maxKeys: 10000,
  maxText: 64 * 1024,
  maxGap: 36 ** 6, // steps from one key to the next: under six base-36 digits
  stepsPerSecond: 60, // one step per animation frame on a 60 Hz display
  maxStep: 5184000, // the furthest a player seeks: 24 hours of steps
};

// One key of a show as written: its letter, then `steps` since the key
// before it.
export const showEntry = (key, steps) => key.toUpperCase() + (steps > 0 ? steps.toString(36) : '');

// `keys` ([{key, step}], in order) as a show is written.
export const writeShow = (keys) => showFormat.version + '.' +
  keys.map(({key, step}, i) => showEntry(key, step - (i ? keys[i - 1].step : 0))).join('');

// Reads the show in `fragment` (location.hash): {keys: [{key, step}], text}
// with the text after "show=", {error: why} for a show that cannot be read,
// or null for a fragment that holds no show. What follows an & (the
// editor's &music=) is not the show's.
export function parseShow(fragment) {
  if (!fragment.startsWith(showFormat.prefix)) return null;
  return readShow(fragment.slice(showFormat.prefix.length).split('&')[0]);
}

// Reads a show written as `text` ("1.RA1eA"): {keys: [{key, step}], text},
// or {error: why}.
export function readShow(text) {
  if (text.length > showFormat.maxText) return {error: 'it is longer than 64 KB'};
  const head = /^(\d+)\./.exec(text);
  if (!head) return {error: 'it does not start with a version number and a dot, as in #show=1.R'};
  if (head[1] !== showFormat.version) {
    return {error: `it is written in version ${head[1]} of the format, and this page reads version 1`};
  }
  const entry = /([A-Z])(-?)([0-9a-z]*)/y;
  const keys = [];
  let step = 0;
  for (entry.lastIndex = head[0].length; entry.lastIndex < text.length;) {
    const at = entry.lastIndex;
    const match = entry.exec(text);
    const number = keys.length + 1;
    if (!match) return {error: `character ${at + 1} after "show=", ${text[at]}, is not a key letter`};
    const key = match[1].toLowerCase();
    if (!showFormat.burstKeys.includes(key)) {
      return {error: `key ${number}, ${match[1]}, is not a burst key (W S A D Z C R)`};
    }
    if (match[2]) return {error: `its steps go backwards at key ${number}`};
    if (match[3].length > 6) return {error: `the step of key ${number} is too far off, past six digits`};
    if (keys.length === showFormat.maxKeys) return {error: 'it has more than 10,000 keys'};
    step += match[3] ? parseInt(match[3], 36) : 0;
    keys.push({key, step});
  }
  return {keys, text};
}


// Why `keys` ([{key, step}], in order) cannot be a show, or '' where they
// can: the limits the reader holds a show to, for an edit to be checked
// against before it is made.
export function showLimit(keys) {
  if (keys.length > showFormat.maxKeys) return 'a show holds at most 10,000 cues';
  for (let i = 0; i < keys.length; ++i) {
    if (keys[i].step - (i ? keys[i - 1].step : 0) >= showFormat.maxGap) {
      return 'a cue would be 2,176,782,336 steps or more after the one before it (or the start), past six ' +
        'base-36 digits';
    }
  }
  if (writeShow(keys).length > showFormat.maxText) return 'the show would be longer than 64 KB written';
  return '';
}
