// music.mjs: the editor with a 10-minute song, in headless Chromium: how
// long it takes to read (decode and the waveform's peaks), how long its
// beats take to find, the longest the page is blocked meanwhile, and the
// memory the song holds.
//
// The song is made in the page: 10 minutes of stereo at 48 kHz, 16-bit WAV
// (115 MB), a kick on every beat at 128 BPM over noise. It is dropped on
// the editor as a visitor drops a file. Timed in the page from the drop:
// the song drawn (read and decoded, its peaks taken) and its tempo said.
// The page's longest task comes from a message loop that notes the gaps
// between its turns. Memory: Chromium's ArrayBuffer backing stores after a
// garbage collection, with the song and after "Remove music".
//
// usage: node music.mjs SITE
import path from 'node:path';
import {launchBrowser, serveFolder, closeAll, backingStores, watchTasks} from './browser.mjs';

const [site] = process.argv.slice(2);
const server = await serveFolder(path.resolve(site));
const browser = await launchBrowser();
const megabytes = (bytes) => `${(bytes / 1e6).toFixed(0)} MB`;

try {
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/editor.html#show=1.R`);
  await page.waitForFunction(() => document.getElementById('preview').currentStep > 0, {polling: 100});
  const before = await backingStores(page);
  await page.evaluate(watchTasks);
  const timed = await page.evaluate(async () => {
    preview.pause();
    const until = async (condition) => {
      while (!condition()) await new Promise((resolve) => setTimeout(resolve, 20));
    };
    const [rate, seconds] = [48000, 600];
    const frames = rate * seconds;
    const samples = new Int16Array(2 * frames);
    for (let i = 0; i < frames; ++i) {
      const since = (i / rate) % (60 / 128);
      const kick = since < 0.06 ? 0.8 * Math.sin(2 * Math.PI * 80 * since) * (1 - since / 0.06) : 0;
      samples[2 * i] = samples[2 * i + 1] = 32767 * (kick + 0.05 * (Math.random() - 0.5));
    }
    const head = new DataView(new ArrayBuffer(44));
    const text = (at, word) => [...word].forEach((c, i) => head.setUint8(at + i, c.charCodeAt(0)));
    text(0, 'RIFF');
    head.setUint32(4, 36 + 4 * frames, true);
    text(8, 'WAVEfmt ');
    [[16, 16, 4], [20, 1, 2], [22, 2, 2], [24, rate, 4], [28, 4 * rate, 4], [32, 4, 2], [34, 16, 2]]
      .forEach(([at, value, size]) => (size === 4 ? head.setUint32(at, value, true) : head.setUint16(at, value, true)));
    text(36, 'data');
    head.setUint32(40, 4 * frames, true);
    let file = new File([head, samples], 'ten minutes.wav');
    taskWatch.start();
    const start = performance.now();
    const transfer = new DataTransfer();
    transfer.items.add(file);
    file = null;
    document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
    await until(() => showEditor.music.buffer);
    const read = performance.now() - start;
    await until(() => showEditor.doc.song?.tempo || /No tempo/.test(document.getElementById('said').textContent));
    const beats = performance.now() - start - read;
    return {read, beats, longest: await taskWatch.stop(), tempo: showEditor.doc.song?.tempo};
  });
  const withSong = await backingStores(page);
  await page.click('#remove-music');
  await new Promise((resolve) => setTimeout(resolve, 500));
  const removed = await backingStores(page);
  console.log('The editor with a 10-minute song (stereo, 48 kHz, 115 MB of WAV), in Chromium');
  console.log(`read (decoded, peaks taken)  ${timed.read.toFixed(0)} ms`);
  console.log(`beats found                  ${timed.beats.toFixed(0)} ms (${timed.tempo} BPM; the song is 128)`);
  console.log(`longest task meanwhile       ${timed.longest.toFixed(0)} ms`);
  console.log(`memory: ${megabytes(withSong - before)} with the song, ${megabytes(removed - before)} after ` +
    `Remove music (backing stores; ${megabytes(2 * 4 * 48000 * 600)} is one decoded copy)`);
  await page.close();
} finally {
  await closeAll(browser, server);
}
