// show.js: shows, the firework's keys kept in the page's address.
//
// The address's fragment carries the show as #show=1.<keys>, in the format
// of show_format.js; a fragment that does not start with "show=" holds no
// show.
//
// Opening an address with a show delivers each key at its step, typed as
// the visitor types it; a burst key the visitor presses meanwhile takes the
// show over from there. Every burst key the visitor presses brings the
// address up to date, so copying the address copies the show.
//
// This file only defines; page.js wires it to the program and the buttons.
'use strict';

// The built-in show: 46 s of all seven bursts, played in rounds of
// `loopSteps` steps. Only r brings every particle back into view; w and d
// between the r's send them back up or across for a while, so the canvas is
// never dark for long, and the next round's r comes while the last burst
// still shows.
const builtInShow = {
  text: '1.RS1eR3cA1eR3cD1oW3cZ50R3cC1eR3cW1eD78R3cA1oC28R3cS14R32Z1eW28R82D1eR3cW1eA6e',
  loopSteps: 2760,
};

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
