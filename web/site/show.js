// show.js: shows, the firework's keys kept in the page's address.
//
// The address's fragment carries the show as #show=1.<keys>, in the format
// of show_format.js; a fragment that does not start with "show=" holds no
// show.
//
// Opening an address with a show gives it to the firework, which delivers
// each key at its step; a burst key the visitor presses meanwhile takes the
// show over from there. Every burst key the visitor presses brings the
// address up to date, so copying the address copies the show.
//
// This file only defines; page.js wires it to the firework and the buttons.
import {showFormat, showEntry, parseShow} from '../show_format.js';
import {videoTail} from './video_button.js';

// The built-in show: 46 s of all seven bursts, played in rounds of
// `loopSteps` steps, each from a fresh start. Only r brings every particle
// back into view; w and d between the r's send them back up or across for
// a while, so the canvas is never dark for long.
export const builtInShow = {
  text: '1.RS1eR3cA1eR3cD1oW3cZ50R3cC1eR3cW1eD78R3cA1oC28R3cS14R32Z1eW28R82D1eR3cW1eA6e',
  loopSteps: 2760,
};

// How long `steps` steps last, in seconds, for the status line.
const showSeconds = (steps) => (steps / showFormat.stepsPerSecond).toFixed(1);

// The page's shows: the one the firework records and the one it plays.
export const showState = {
  player: null, // the page's <firework-player>
  played: [], // the burst keys the firework took, with their steps: the show so far
  fragment: showFormat.prefix + showFormat.version + '.', // `played` as written
  full: false, // the show so far no longer fits an address
  show: [], // the address's show
  playing: 0, // keys of the address's show still to come, 0 when none
  round: [], // the built-in show's keys, while it plays in a loop
  note: null, // (text): the status line's note on the show, '' for none
};

// Reads the show in the page's address and, if there is one, gives it to
// the firework, `player`, to play from start-up; the built-in show starts
// over every round. Called once, as the page starts; the firework may be
// running already, and starts again with the show.
export function startShow(player, note) {
  Object.assign(showState, {player, note});
  player.addEventListener('burst', (event) => recordShowKey(event.detail));
  player.addEventListener('loop', startRound);
  const show = parseShow(location.hash);
  if (!show || show.keys?.length === 0) return;
  if (show.error) {
    note(`The show in the address could not be read: ${show.error}.`);
    return;
  }
  player.setAttribute('show', show.text);
  showState.show = show.keys;
  showState.playing = show.keys.length;
  const keys = `${show.keys.length} key${show.keys.length === 1 ? '' : 's'}`;
  if (show.text === builtInShow.text) {
    showState.round = show.keys;
    player.setAttribute('loop', String(builtInShow.loopSteps));
    note(`Playing the built-in show in a loop: ${keys}, ${showSeconds(builtInShow.loopSteps)} s a round. ` +
      'A burst key takes it over.');
  } else {
    note(`Replaying the show in the address: ${keys}, ${showSeconds(show.keys[show.keys.length - 1].step)} s. ` +
      'A burst key takes it over.');
  }
}

// The built-in show's next round: the firework starts afresh, and so does
// the show it records.
function startRound() {
  showState.played = [];
  showState.fragment = showFormat.prefix + showFormat.version + '.';
  showState.full = false;
  showState.playing = showState.round.length;
}

// The show has been played out, or taken over: no note on it any more,
// and no round after this one.
function stopShow() {
  showState.playing = 0;
  if (showState.round.length) showState.player.removeAttribute('loop');
  showState.round = [];
  showState.note('');
}

// The firework's burst event: a burst key it took joins the show. One that
// the visitor pressed ends any replay there and puts the show so far, with
// itself, in the address (without a new history entry per key).
function recordShowKey({key, step, fromShow}) {
  if (fromShow && --showState.playing === 0 && !showState.round.length) stopShow();
  if (showState.full) return;
  const last = showState.played[showState.played.length - 1];
  const fragment = showState.fragment + showEntry(key, step - (last ? last.step : 0));
  if (showState.played.length === showFormat.maxKeys || fragment.length - showFormat.prefix.length > showFormat.maxText) {
    // An address the page could not read back would lose the whole show.
    showState.full = true;
    showState.note('The show is too long for an address: it keeps its first ' +
      `${showState.played.length.toLocaleString('en')} keys.`);
    return;
  }
  showState.played.push({key, step});
  showState.fragment = fragment;
  if (fromShow) return;
  if (showState.playing || showState.round.length) stopShow();
  history.replaceState(history.state, '', fragment);
}

// The show a video renders: one round of the built-in show while it
// plays; else the show (the address's while it replays, or what the
// firework took) from step 0 to `videoTail` steps after its last key, or
// the first `videoTail` steps where there is none.
export function showToRender() {
  if (showState.round.length) return {keys: showState.round, frames: builtInShow.loopSteps};
  const keys = showState.playing ? showState.show : showState.played;
  return {keys, frames: (keys.length ? keys[keys.length - 1].step : 0) + videoTail};
}

// The "Play a show" button: the page starts afresh with the built-in show
// in its address, as opening that address does.
export function playBuiltInShow() {
  history.replaceState(history.state, '', showFormat.prefix + builtInShow.text);
  location.reload();
}
