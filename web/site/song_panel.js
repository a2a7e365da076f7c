// song_panel.js: the editor's song: Add music (a file picked, or dropped
// on the page), Remove music, the beats' numbers by hand, Tap tempo,
// snapping, Cues on beats, and the bursts' sound over it. What the song is
// goes through the show document; its sound is music.js's.
import {showFormat} from '../show_format.js';
import {music, songWatch, musicSeconds, readMusic, takeSong, keepSong, keptSong, forgetSong, findBeats, beatsLine,
  tapTempo} from './music.js';

const byId = (id) => document.getElementById(id);
const on = (id, action, type = 'click') => byId(id).addEventListener(type, action);

// Wires the panel to `doc` and `player` (the preview); `note(text)` tells
// of the song the show is made to, `kept()` whether the show is kept on this
// device, `namedElsewhere(name)` whether another kept show names a song.
// Returns what the page calls: showMusic(), openMusic(), toggleSnap().
export function wireSongPanel({doc, player, note, kept, namedElsewhere}) {
  function showMusic() {
    const {song} = doc;
    byId('remove-music').hidden = byId('beats').hidden = byId('music-lane').hidden = !song?.here;
    byId('music-name').textContent = song?.name ?? '';
    byId('beats-line').textContent = beatsLine(song);
    byId('tempo').value = song?.tempo ? Math.round(song.tempo * 100) / 100 : '';
    byId('first-beat').value = song?.tempo ? Math.round(song.firstBeat * 1000) / 1000 : '';
    byId('snap').checked = Boolean(song?.snap);
    byId('snap').disabled = !song?.tempo;
  }
  // The song's beats found, unless it was replaced or removed meanwhile.
  async function beatsFound() {
    const late = songWatch();
    const found = await findBeats(music.buffer);
    if (late()) return;
    if (found.none) return doc.say(found.none);
    doc.commit({song: {...found, snap: true}, undoable: false, keep: kept(),
      said: `${doc.song.name}: ${beatsLine(found)}.`});
  }
  async function addMusic(file) {
    if (!file) return;
    const late = songWatch();
    doc.say(`Reading ${file.name}…`);
    const read = await readMusic(file);
    if (late()) return;
    if (read.refused) return doc.say(read.refused);
    takeSong(read);
    note('');
    doc.commit({song: {name: file.name, seconds: read.buffer.duration, here: true, tempo: 0, firstBeat: 0, snap: false},
      undoable: false, play: doc.play === 'song' ? 'stopped' : undefined,
      said: `${file.name} added, ${musicSeconds(read.buffer.duration)}: finding its beats…`});
    const gone = songWatch();
    await keepSong(file);
    if (!gone()) await beatsFound();
  }
  // The song the show is made to, from this device where it is kept; else
  // asked for.
  async function openMusic() {
    const late = songWatch();
    const {name, seconds} = doc.song;
    const file = await keptSong(name);
    const read = file && !late() ? await readMusic(file, false) : null;
    if (late()) return;
    if (!read?.buffer) {
      return note(`This show was made to ${name} (${musicSeconds(seconds)}): add it to hear it in time.`);
    }
    takeSong(read);
    doc.commit({song: {here: true, seconds: read.buffer.duration}, undoable: false, keep: false});
    if (!doc.song.tempo) await beatsFound();
  }
  async function removeMusic() {
    const {name} = doc.song;
    takeSong(null);
    doc.commit({song: null, undoable: false, play: doc.play === 'song' ? 'stopped' : undefined,
      said: 'The music is removed.'});
    if (!namedElsewhere(name)) await forgetSong(name);
  }
  function toggleSnap() {
    if (!doc.song?.tempo) return doc.say('Snapping needs a tempo: add music, or give one.');
    const snap = !doc.song.snap;
    doc.commit({song: {snap}, undoable: false, said: `Snap to beats ${snap ? 'on' : 'off'}`});
  }
  // A tempo or first beat given by hand or by taps, as an undo step; the
  // first tempo turns snapping on.
  function setBeats(tempo, firstBeat) {
    if (!tempo) return doc.say('Give a tempo first: a first beat is counted from one.');
    if (!(tempo >= 20 && tempo <= 400) || !(firstBeat >= 0)) {
      return doc.say('A tempo is 20 to 400 BPM, a first beat 0 s or more.');
    }
    doc.commit({song: {tempo, firstBeat, snap: doc.song.snap || !doc.song.tempo},
      said: beatsLine({tempo, firstBeat})});
  }
  function cuesOnBeats() {
    if (!doc.song?.tempo) return doc.say('Cues on beats needs a tempo: add music, or give one.');
    const [count, every] = [Number(byId('beats-count').value), Number(byId('beats-every').value)];
    const bursts = [...byId('beats-bursts').value.toLowerCase()].filter((key) => showFormat.burstKeys.includes(key));
    if (!bursts.length) return doc.say('Give the bursts to cycle through, as letters of w s a d z c r.');
    const beats = doc.beatsBetween(doc.playhead, doc.playhead + (count + 1) * 3600 / doc.song.tempo).slice(0, count);
    const keys = beats.filter((beat, i) => i % every === 0)
      .map(({step}, i) => ({key: bursts[i % bursts.length], step: Math.round(step)}));
    doc.addCues(keys, `${keys.length} cues on beats added`);
  }
  function wireMusic() {
    on('add-music', () => byId('music-file').click());
    on('music-file', (event) => {
      addMusic(event.target.files[0]);
      event.target.value = '';
    }, 'change');
    addEventListener('dragover', (event) => event.dataTransfer.types.includes('Files') && event.preventDefault());
    addEventListener('drop', (event) => {
      event.preventDefault();
      addMusic(event.dataTransfer.files[0]);
    });
    on('remove-music', removeMusic);
    on('tempo', (event) => setBeats(Number(event.target.value), doc.song.firstBeat), 'change');
    on('first-beat', (event) => setBeats(doc.song.tempo, Number(event.target.value)), 'change');
    on('tap', () => {
      const tapped = tapTempo(music.taps, performance.now() / 1000);
      music.taps = tapped.taps;
      if (tapped.tempo) setBeats(Math.round(tapped.tempo * 100) / 100, doc.song.firstBeat);
      else doc.say('Tap again, on each beat.');
    });
    on('snap', (event) => doc.commit({song: {snap: event.target.checked}, undoable: false,
      said: `Snap to beats ${event.target.checked ? 'on' : 'off'}`}), 'change');
    on('cues-on-beats', cuesOnBeats);
    on('sound', () => {
      player.sound = !player.sound;
      byId('sound').setAttribute('aria-pressed', String(player.sound));
    });
  }

  wireMusic();
  return {showMusic, openMusic, toggleSnap};
}
