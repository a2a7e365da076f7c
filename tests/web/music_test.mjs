// music_test.mjs: the editor's music. A click track made here (120 BPM,
// the first click at 0.25 s) is dropped on the page: its tempo and first
// beat are found, cues snap to its beats, it comes back after a reload and
// the address names it; three minutes of play at 120 frames a second on a
// clock the test sets keep the step within one of the song's; the saved
// video holds the clicks at their times, and lasts as long as the song. A
// file that is not sound and a song over 15 minutes are refused.
//
// usage: node music_test.mjs SITE
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {execFileSync} from 'node:child_process';
import {launchBrowser, serveFolder, checkList, closeAll, audit, fetchedInPage} from './browser.mjs';
import {openEditor, editorState, typeKeys} from './editor_page.mjs';

const [site] = process.argv.slice(2);
const {check, finishClean, can} = checkList('music');
const errors = [];
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/editor.html`;
const browser = await launchBrowser();
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'firework-music-'));

// A WAV file, mono, 16-bit at `rate` Hz, of `samples` (numbers from -1 to
// 1); `claimed`, the seconds its header claims, where that differs.
function wav(samples, rate, claimed = samples.length / rate) {
  const file = Buffer.alloc(44 + 2 * samples.length);
  const bytes = 2 * Math.round(claimed * rate);
  file.write('RIFFxxxxWAVEfmt ', 0);
  // The chunk's size; PCM, mono, 16-bit; the data's size.
  [[4, 36 + bytes, 4], [16, 16, 4], [20, 1, 2], [22, 1, 2], [24, rate, 4], [28, 2 * rate, 4], [32, 2, 2],
    [34, 16, 2], [40, bytes, 4]].forEach(([at, value, size]) => file[`writeUInt${8 * size}LE`](value, at));
  file.write('data', 36);
  samples.forEach((sample, i) => file.writeInt16LE(Math.round(sample * 32767), 44 + 2 * i));
  return file;
}
// 8 s of a kick (60 ms of a fading 80 Hz tone: the beat detector listens
// below 150 Hz) on each beat at 120 BPM, from 0.25 s.
const rate = 44100;
const clicks = wav(Array.from({length: 8 * rate}, (_, i) => {
  const since = (i / rate - 0.25) % 0.5;
  return i / rate >= 0.25 && since < 0.06 ? 0.9 * Math.sin(2 * Math.PI * 80 * since) * (1 - since / 0.06) : 0;
}), rate);

// Drops a file named `name` on the page, as a visitor would: `bytes`, then
// `zeros` zero bytes.
const drop = (page, name, bytes, zeros = 0) => page.evaluate((name, data, zeros) => {
  const transfer = new DataTransfer();
  transfer.items.add(new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0)), new Uint8Array(zeros)], name));
  document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
}, name, bytes.toString('base64'), zeros);
const said = (page, pattern) => page.waitForFunction((source) => new RegExp(source).test(
  document.getElementById('said').textContent), {timeout: 30000, polling: 100}, pattern);
const musicState = (page) => page.evaluate(() => {
  const {song} = showEditor.doc;
  return {tempo: song?.tempo, firstBeat: song?.firstBeat, name: song?.name, seconds: song?.seconds,
    lane: !document.getElementById('music-lane').hidden};
});

try {
  const page = await openEditor(browser, url, errors, {holdFrames: true});
  await drop(page, 'click.wav', clicks);
  await said(page, 'click.wav: .* BPM');
  const found = await musicState(page);
  const violations = await audit(page);
  check('a dropped click track is drawn under the cues; its tempo and first beat are found and said, the ' +
    'address names it, and the controls for its beats break no rule of WCAG 2.2 A or AA', found.lane &&
    Math.abs(found.tempo - 120) < 0.5 && Math.abs(found.firstBeat - 0.25) < 0.02 && violations.length === 0 &&
    (await editorState(page)).hash === '#show=1.&music=click.wav,8.00', `${JSON.stringify(found)} ${violations}`);

  // Snapping: w at step 100 goes to the beat at 105; Ctrl+Shift+Right moves
  // it a beat on; b turns snapping off, and a stays at 100.
  await page.evaluate(() => showEditor.doc.seek(100));
  await typeKeys(page, 'w', 'Control+Shift+ArrowRight', 'b', 'a');
  const snapped = await editorState(page);
  await typeKeys(page, 'Home');
  await page.click('#cues-on-beats');
  const filled = await page.evaluate(() => showEditor.doc.cues.map(({key, step}) => key + step).join());
  await page.evaluate(() => document.getElementById('timeline').focus());
  await typeKeys(page, 'Control+z');
  check('cues snap to the nearest beat, move a beat with Ctrl+Shift+Right, and b turns snapping off; "Cues on ' +
    'beats" puts one on each of the next 8 beats, cycling through the bursts, undone in one step',
  snapped.hash === '#show=1.A2sWz&music=click.wav,8.00' && (await editorState(page)).hash === snapped.hash &&
    filled === 'w15,s45,a75,a100,d105,w135,z135,c165,r195,w225', `${snapped.hash} ${filled}`);

  // Three minutes at 120 frames a second on the song's clock, set here,
  // with 20 ms of output latency.
  const synced = await page.evaluate(async () => {
    let now = 0;
    const {doc, music} = showEditor;
    Object.defineProperty(music.context, 'currentTime', {get: () => now});
    Object.defineProperty(music.context, 'outputLatency', {get: () => 0.02});
    doc.seek(30);
    await preview.seek(30);
    document.getElementById('play').click();
    let worst = 0;
    for (let frame = 0; frame < 3 * 60 * 120; ++frame) {
      now += 1 / 120;
      fireworkProbe.release(1);
      // Now and then the preview is let catch up with the song's clock.
      if (frame % 600 === 0) await fireworkProbe.until(() => preview.currentStep === doc.playhead);
      worst = Math.max(worst, Math.abs(preview.currentStep - Math.floor((now - 0.02 + 0.5) * 60)));
    }
    document.getElementById('play').click();
    return {worst, step: preview.currentStep, expected: Math.floor((now - 0.02 + 0.5) * 60)};
  });
  check('over three minutes of play at 120 frames a second the step shown stays within one of the song\'s time ' +
    'x 60', synced.worst <= 1, JSON.stringify(synced));

  // Kept on this device: a reload brings it back, with its beats.
  await page.reload();
  await page.waitForFunction(() => showEditor.doc.song?.tempo > 0, {timeout: 30000, polling: 100});
  const back = await musicState(page);
  const silent = (await editorState(page)).play;
  check('a reload brings the song back from this device, with its beats, silent until Play', back.name ===
    'click.wav' && back.tempo === found.tempo && back.firstBeat === found.firstBeat && silent === 'Play',
  `${JSON.stringify(back)} ${silent}`);

  if (can('video', 'the video with the song')) {
    await page.evaluate(() => {
      HTMLAnchorElement.prototype.click = function () {
        window.download = this.href;
      };
      document.getElementById('save-video').click();
    });
    await page.waitForFunction(() => window.download, {timeout: 180000, polling: 200});
    const video = path.join(scratch, 'video');
    fs.writeFileSync(video, await fetchedInPage(page, await page.evaluate(() => window.download)));
    const seconds = Number(execFileSync('ffprobe', ['-v', 'quiet', '-show_entries', 'format=duration', '-of',
      'csv=p=0', video], {stdio: ['ignore', 'pipe', 'ignore']}).toString());
    const sound = execFileSync('ffmpeg', ['-v', 'quiet', '-i', video, '-f', 'f32le', '-ac', '1', '-ar', '48000', '-'],
      {maxBuffer: 1 << 28, stdio: ['ignore', 'pipe', 'ignore']});
    const heard = [];
    for (let i = 0, last = -1; i < sound.length / 4; ++i) {
      if (Math.abs(sound.readFloatLE(4 * i)) > 0.3 && i / 48000 - last > 0.2) heard.push(last = i / 48000);
    }
    const off = heard.map((time, n) => Math.abs(time - (0.25 + 0.5 * n))).filter((error) => error > 1 / 60);
    check('the saved video holds the song: each click at its time within a frame, and it lasts as long as the song',
      heard.length === 16 && off.length === 0 && Math.abs(seconds - 8) < 0.05,
      `${seconds} s; clicks at ${heard.map((time) => time.toFixed(3))}`);
  }

  // Refused: a file that is not sound, a song over 15 minutes (its header
  // says so: it is not decoded); the song and the show stay.
  const before = await editorState(page);
  await drop(page, 'notes.txt', Buffer.from('not a song'));
  await said(page, 'could not be read');
  const notSound = await editorState(page);
  await drop(page, 'long.wav', wav([], 8000, 15 * 60 + 1), 2 * 8000 * (15 * 60 + 1));
  await said(page, 'over');
  const tooLong = await editorState(page);
  const still = await musicState(page);
  check('a file that is not sound and a song over 15 minutes are refused with their reasons; the show and the ' +
    'song stay', /^This file could not be read as sound: .+\.$/.test(notSound.said) &&
    tooLong.said === 'This song is 15:01 long, over the editor\'s 15 minutes.' && still.name === 'click.wav' &&
    tooLong.hash === before.hash, `${notSound.said} | ${tooLong.said} | ${tooLong.hash}`);

  // Removed, the song is asked for by name; the main page plays the show
  // and leaves the song's part of the address alone.
  await page.click('#remove-music');
  await said(page, 'removed');
  await page.evaluate(() => history.replaceState(null, '', '#show=1.A2sWz&music=click.wav,8.00'));
  await page.reload();
  await page.waitForFunction(() => document.getElementById('note').textContent, {timeout: 20000, polling: 100});
  const asked = await editorState(page);
  await page.evaluate(() => document.getElementById('timeline').focus());
  await typeKeys(page, 'End', 'w');
  const editedThere = (await editorState(page)).hash;
  await page.goto(url.replace('editor.html', 'index.html#show=1.A2sWz&music=click.wav,8.00'));
  await page.waitForFunction(() => document.getElementById('status').textContent, {timeout: 20000, polling: 100});
  const main = await page.evaluate(() => document.getElementById('status').textContent);
  check('an address naming a song this device does not have asks for it, and keeps it through an edit; the main ' +
    'page plays the show and ignores the song',
  asked.note === 'This show was made to click.wav (0:08): add it to hear it in time.' &&
    main.startsWith('Replaying the show in the address: 2 keys') &&
    editedThere === '#show=1.A2sWzW&music=click.wav,8.00', `${asked.note} | ${main} | ${editedThere}`);

  // A song removed while its beats are being found: the late result
  // changes nothing, and a cue placed then stays where it was placed.
  await page.goto(url + '#show=1.');
  await page.evaluate(() => {
    // The detector, once it loads, has Remove music pressed while it works.
    let detector;
    Object.defineProperty(window, 'beatDetector', {configurable: true, get: () => detector, set: (loaded) => {
      detector = {guess: async (buffer) => {
        const found = await loaded.guess(buffer);
        document.getElementById('remove-music').click();
        setTimeout(() => (window.guessed = true));
        return found;
      }};
    }});
  });
  await drop(page, 'late.wav', clicks);
  await page.waitForFunction(() => window.guessed, {timeout: 30000, polling: 100});
  await page.evaluate(() => {
    preview.pause();
    document.getElementById('timeline').focus();
    showEditor.doc.seek(37);
  });
  await typeKeys(page, 'w');
  const late = await editorState(page);
  const lateSong = await page.evaluate(() => showEditor.doc.song);
  check('a beat detection that ends after its song was removed changes nothing', lateSong === null &&
    late.hash === '#show=1.W11' && late.said === 'w at 0.62 s added', `${JSON.stringify(late)}`);
  await page.close();
} finally {
  await closeAll(browser, server, scratch);
}
finishClean(errors);
