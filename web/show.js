// show.js: shows, the firework's keys kept in the page's address.
//
// A show is the list of burst keys (w s a d z c r) the program has taken
// since start-up, each with its step: the number of frame steps the program
// had run when the key arrived. Every run of the firework computes the same
// frames, so the same keys delivered at the same steps draw the same picture
// at every step, in any browser, at the same canvas size.
//
// The address's fragment carries the show as #show=1.<keys>: 1 is the
// format's version; each key is its letter in capitals followed by the
// steps since the key before it (the first: since start-up) in base 36,
// lower case, nothing for none. "#show=1.RA1eA" is r at step 0, then a at
// step 50 and again at step 50. A minus sign before the steps would take
// the step back; such a show is refused. A show longer than 64 KB, with more
// than 10,000 keys or a key of 2,176,782,335 steps or more (six digits) is
// refused whole. A fragment that does not start with "show=" holds no show.
//
// Opening an address with a show delivers each key at its step, typed as
// the visitor types it; a burst key the visitor presses meanwhile takes the
// show over from there. Every burst key the visitor presses brings the
// address up to date, so copying the address copies the show.
//
// This file only defines; page.js wires it to the program and the buttons.
'use strict';

const showFormat = {
  version: '1',
  prefix: '#show=',
  burstKeys: 'wsadzcr',
  maxKeys: 10000,
  maxText: 64 * 1024,
  stepsPerSecond: 60, // one step per animation frame on a 60 Hz display
};

// The built-in show: 46 s of all seven bursts, played in rounds of
// `loopSteps` steps. Only r brings every particle back into view; w and d
// between the r's send them back up or across for a while, so the canvas is
// never dark for long, and the next round's r comes while the last burst
// still shows.
const builtInShow = {
  text: '1.RS1eR3cA1eR3cD1oW3cZ50R3cC1eR3cW1eD78R3cA1oC28R3cS14R32Z1eW28R82D1eR3cW1eA6e',
  loopSteps: 2760,
};

// One key of a show as written: its letter, then `steps` since the key
// before it.
const showEntry = (key, steps) => key.toUpperCase() + (steps > 0 ? steps.toString(36) : '');

// Reads the show in `fragment` (location.hash): {keys: [{key, step}], text}
// with the text after "show=", {error: why} for a show that cannot be read,
// or null for a fragment that holds no show.
function parseShow(fragment) {
  if (!fragment.startsWith(showFormat.prefix)) return null;
  const text = fragment.slice(showFormat.prefix.length);
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

// How long `steps` steps last, in seconds, for the status line.
const showSeconds = (steps) => (steps / showFormat.stepsPerSecond).toFixed(1);

// The page's shows, for the program's whole run: the one it records and the
// one it plays.
const showPlayer = {
  played: [], // the burst keys the program took, with their steps: the show so far
  fragment: showFormat.prefix + showFormat.version + '.', // `played` as written
  full: false, // the show so far no longer fits an address
  queue: [], // the keys still to type, with their steps from start-up
  next: 0, // the next key of `queue`
  round: [], // the built-in show's keys, while it plays in a loop
  roundStart: 0, // the step its current round started at
  stepsRun: 0, // frame steps the program has run
  typing: false, // the player itself is typing a key
  typeKey: null, // (key): hands the program the key press that typing it makes
  note: null, // (text): the status line's note on the show, '' for none
};

// Reads the show in the page's address and, if there is one, plays it from
// start-up; called once, before the program starts.
function startShow(typeKey, note) {
  const player = showPlayer;
  player.typeKey = typeKey;
  player.note = note;
  const show = parseShow(location.hash);
  if (!show || show.keys?.length === 0) return;
  if (show.error) {
    note(`The show in the address could not be read: ${show.error}.`);
    return;
  }
  player.queue = show.keys;
  const keys = `${show.keys.length} key${show.keys.length === 1 ? '' : 's'}`;
  if (show.text === builtInShow.text) {
    player.round = show.keys;
    note(`Playing the built-in show in a loop: ${keys}, ${showSeconds(builtInShow.loopSteps)} s a round. ` +
      'A burst key takes it over.');
  } else {
    note(`Replaying the show in the address: ${keys}, ${showSeconds(show.keys[show.keys.length - 1].step)} s. ` +
      'A burst key takes it over.');
  }
}

// Module.beforeStep: types the show's keys that are due before the step
// after `steps`; after the last one, the built-in show starts its next
// round, any other show ends.
function playShowKeys(steps) {
  const player = showPlayer;
  player.stepsRun = steps + 1; // the step about to run
  while (player.next < player.queue.length && player.queue[player.next].step <= steps) {
    player.typing = true;
    try {
      player.typeKey(player.queue[player.next++].key);
    } finally {
      player.typing = false;
    }
  }
  if (player.next === 0 || player.next < player.queue.length) return;
  if (player.round.length) {
    player.roundStart += builtInShow.loopSteps;
    player.queue = player.round.map(({key, step}) => ({key, step: step + player.roundStart}));
    player.next = 0;
  } else {
    stopShow();
  }
}

function stopShow() {
  const player = showPlayer;
  player.queue = [];
  player.next = 0;
  player.round = [];
  player.note('');
}

// Module.onKey: a burst key the program took joins the show. One that the
// visitor pressed ends any replay there and puts the show so far, with
// itself, in the address (without a new history entry per key).
function recordShowKey(code, steps) {
  const key = String.fromCharCode(code);
  const player = showPlayer;
  if (!showFormat.burstKeys.includes(key) || player.full) return;
  const last = player.played[player.played.length - 1];
  const fragment = player.fragment + showEntry(key, steps - (last ? last.step : 0));
  if (player.played.length === showFormat.maxKeys || fragment.length - showFormat.prefix.length > showFormat.maxText) {
    // An address the page could not read back would lose the whole show.
    player.full = true;
    player.note('The show is too long for an address: it keeps its first ' +
      `${player.played.length.toLocaleString('en')} keys.`);
    return;
  }
  player.played.push({key, step: steps});
  player.fragment = fragment;
  if (player.typing) return;
  stopShow();
  history.replaceState(history.state, '', fragment);
}

// The show a video renders: the built-in show's round while it plays, else
// the keys the program has taken and the steps it has run so far.
function showToRender() {
  const player = showPlayer;
  if (player.round.length) return {keys: player.round, frames: builtInShow.loopSteps};
  return {keys: player.played, frames: player.stepsRun};
}

// The Share button: the browser's own share sheet where there is one
// (phones), else the clipboard, else the address shown to be copied by hand.
async function shareShow() {
  const address = location.href;
  if (navigator.share) {
    try {
      await navigator.share({title: document.title, url: address});
      return;
    } catch (error) {
      if (error.name === 'AbortError') return; // the visitor closed the share sheet
    }
  }
  try {
    await navigator.clipboard.writeText(address);
    showPlayer.note('The address of this show is copied to the clipboard.');
  } catch (error) {
    showPlayer.note(`Copy the address of this show: ${address}`, address);
  }
}

// The "Play a show" button: the page starts afresh with the built-in show
// in its address, as opening that address does.
function playBuiltInShow() {
  history.replaceState(history.state, '', showFormat.prefix + builtInShow.text);
  location.reload();
}
