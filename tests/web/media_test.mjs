// media_test.mjs: the bursts' sound and the show saved as a video. Sound is
// off, with no audio context, until turned on; then keys and buttons
// schedule sounds, and turned off they do not; the same show renders to
// the same samples. A show of a few keys, saved long after its last key,
// is decoded with ffmpeg: its frames, 60 a second up to 5 s after the last
// key, each the page's next step, and its sound; its length and size are
// said before it renders. The origin's private file system, where the
// video is written as it renders, is empty after the hand-over, after a
// cancel and after a full disk, which is said. Where the browser cannot
// encode, the button says why.
//
// usage: node media_test.mjs SITE
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {launchBrowser, serveFolder, checkList, openPage, openCanvas, readProbe, closeAll, fetchedInPage} from
  './browser.mjs';

const [site] = process.argv.slice(2);
// The video is decoded with Debian's ffmpeg; without it the test skips (77), except in CI.
try {
  execFileSync('ffprobe', ['-version'], {stdio: 'ignore'});
} catch {
  console.log(`media: ${process.env.CI ? 'failed' : 'skipped'}: install ffmpeg to decode the saved video`);
  process.exit(process.env.CI ? 1 : 77);
}
const {check, finishClean, can} = checkList('media');
const errors = [];
const server = await serveFolder(path.resolve(site));
const url = `http://127.0.0.1:${server.address().port}/index.html`;
const browser = await launchBrowser();
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'firework-video-'));

// Counts the audio contexts made and the sounds started, and keeps the file
// the page hands over as a download.
function listen() {
  window.heard = {contexts: 0, sounds: 0};
  const Context = window.AudioContext;
  window.AudioContext = class extends Context {
    constructor(...options) {
      super(...options);
      ++window.heard.contexts;
      window.heardContext = this;
    }
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...when) {
    if (this.context instanceof Context) ++window.heard.sounds;
    return start.apply(this, when);
  };
  HTMLAnchorElement.prototype.click = function () {
    window.download = {name: this.download, href: this.href};
  };
  // What the render panel says first, and how far the render had gone then.
  new MutationObserver(() => {
    window.said ??= {text: document.getElementById('render-about').textContent,
      rendered: document.getElementById('render-progress').value};
  }).observe(document.getElementById('render-about'), {childList: true});
}
// The names in the origin's private file system.
const stored = (page) => page.evaluate(async () => {
  const names = [];
  for await (const name of (await navigator.storage.getDirectory()).keys()) names.push(name);
  return names;
});
// The Sound button works from the first frame on. Polled by time, since
// frames may be held.
const soundReady = (page) => page.waitForFunction(() => !document.getElementById('sound').disabled,
  {timeout: 10000, polling: 100});
const heard = (page) => page.evaluate(() => ({...window.heard, pressed: document.getElementById('sound')
  .getAttribute('aria-pressed'), state: window.heardContext?.state}));

try {
  // Sound: off at first, on and off again.
  const page = await openPage(browser, url, false, errors);
  await page.evaluate(listen);
  await page.waitForFunction(() => window.fireworkProbe.steps > 2, {timeout: 20000});
  await soundReady(page);
  await page.keyboard.press('r');
  const before = await heard(page);
  await page.click('#sound');
  const on = await heard(page);
  await page.keyboard.press('r');
  const byKey = await heard(page);
  await page.click('button[data-key="a"]');
  const byButton = await heard(page);
  await page.click('#sound');
  await page.keyboard.press('s');
  const off = await heard(page);
  check('sound is off at first, without an audio context, and a key makes none',
    before.contexts === 0 && before.sounds === 0 && before.pressed === 'false', JSON.stringify(before));
  check('turned on, the Sound button is pressed and a key and a burst button each schedule a sound',
    on.contexts === 1 && on.pressed === 'true' && byKey.sounds > on.sounds && byButton.sounds > byKey.sounds,
    JSON.stringify({on, byKey, byButton}));
  check('turned off, the context is suspended and a key is silent',
    off.pressed === 'false' && off.sounds === byButton.sounds && off.state === 'suspended', JSON.stringify(off));
  const rendered = await page.evaluate(async () => {
    // As a video loads it.
    for (const src of ['mediabunny.js', 'video.js']) {
      const script = Object.assign(document.createElement('script'), {src});
      await new Promise((onload) => document.head.append(Object.assign(script, {onload})));
    }
    const {renderSound} = fireworkVideo;
    const keys = [{key: 'r', step: 0}, {key: 'a', step: 20}, {key: 'c', step: 50}];
    const digest = async (buffer) => [...new Uint8Array(await crypto.subtle.digest('SHA-256',
      new Float32Array([...buffer.getChannelData(0), ...buffer.getChannelData(1)])))].join();
    const [one, other] = [await renderSound(keys, 120), await renderSound(keys, 120)];
    return {same: (await digest(one)) === (await digest(other)), seconds: one.duration,
      loudest: Math.max(...one.getChannelData(0).map(Math.abs))};
  });
  check('rendered offline, the same show gives the same samples, and they are not silent',
    rendered.same && rendered.seconds === 2 && rendered.loudest > 0.05, JSON.stringify(rendered));
  await page.keyboard.press('Escape');
  check('after ESC the Sound button is disabled',
    (await page.evaluate(() => document.getElementById('sound').disabled)));
  await page.close();

  // A video of a few keys, with sound, at the canvas's 480 x 360.
  if (can('video', 'the saved video: its frames, 60 a second, each the page\'s next step, and its sound')) {
    const recording = await openCanvas(browser, url, 480, 360, errors);
    await recording.evaluate(listen);
    for (const [steps, key] of [[10, 'r'], [30, 'a'], [25, 'w']]) { // at steps 10, 40 and 65
      await recording.evaluate((n) => window.fireworkProbe.release(n), steps);
      if (key === 'r') {
        await soundReady(recording);
        await recording.click('#sound');
      }
      await recording.keyboard.press(key);
    }
    // Then a long while idle, which the video leaves out.
    await recording.evaluate(() => window.fireworkProbe.release(1000));
    const show = await recording.evaluate(() => location.hash);
    // Frames are held, so the waits poll by time rather than by animation frame.
    await recording.waitForFunction(() => !document.getElementById('save-video').disabled, {timeout: 10000,
      polling: 100});
    await recording.click('#save-video');
    await recording.waitForFunction(() => window.download || document.getElementById('rendering').hidden,
      {timeout: 120000, polling: 100});
    const saved = await recording.evaluate(() => ({name: window.download.name, href: window.download.href,
      panel: document.getElementById('rendering').hidden, said: window.said})).then(async (saved) =>
      ({...saved, data: await fetchedInPage(recording, saved.href)})).catch(async () => {
      throw new Error(`no video: ${await recording.$eval('#status', (element) => element.textContent)}`);
    });
    // The downloaded file stays, its lock held, through another visit's clean-up.
    const locked = await recording.evaluate(async () => (await navigator.locks.query()).held.map((lock) => lock.name));
    const visit = await openPage(browser, url, false, errors);
    await visit.waitForFunction(() => window.fireworkProbe.steps > 2, {timeout: 20000, polling: 100});
    await new Promise((resolve) => setTimeout(resolve, 1000));
    await visit.close();
    const storedAfter = await stored(recording);
    const [, seconds, megabytes] = /^([\d.]+) s, about ([\d.]+) MB$/.exec(saved.said?.text) ?? [];
    const bytes = saved.data.length;
    check('before the first frame renders the page says the video\'s length and size, the size within 1.5 times ' +
      'the file\'s; written into the private file system, the downloaded file stays, locked, through another ' +
      'visit', saved.said?.rendered === 0 && seconds === '6.1' && megabytes * 1e6 < 1.5 * bytes &&
      megabytes * 1e6 > bytes / 1.5 && storedAfter.length === 1 && locked.join() === storedAfter.join(),
    `${JSON.stringify(saved.said)} for ${bytes} bytes; stored ${storedAfter}, locked ${locked}`);
    // A longer show, cancelled part way: no file, and the page back to the firework.
    await recording.evaluate(() => {
      window.fireworkProbe.release(1200);
      window.download = null;
    });
    await recording.keyboard.press('d');
    await recording.click('#save-video');
    await recording.waitForFunction(() => document.getElementById('render-progress').value > 60, {timeout: 60000,
      polling: 20});
    await recording.click('#render-cancel');
    await recording.waitForFunction(() => document.getElementById('rendering').hidden, {timeout: 20000,
      polling: 100});
    const afterCancel = await recording.evaluate(() => ({download: window.download,
      progress: document.getElementById('render-progress').value, enabled: !document.getElementById('save-video')
        .disabled, fireworks: document.querySelectorAll('firework-player').length}));
    afterCancel.stored = await stored(recording);
    check('"Cancel" stops the render part way: no file, in the private file system neither (the last download\'s ' +
      'gone as the render began), its firework gone, and the button ready again', afterCancel.download === null && afterCancel.progress < 2000 && afterCancel.enabled &&
        afterCancel.fireworks === 1 && afterCancel.stored.length === 0,
      JSON.stringify(afterCancel));
    await recording.close();
    const file = path.join(scratch, saved.name);
    fs.writeFileSync(file, saved.data);
    const probe = JSON.parse(execFileSync('ffprobe', ['-v', 'error', '-count_frames', '-show_entries',
      'stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_frames', '-of', 'json', file]));
    const videoTrack = probe.streams.find((stream) => stream.codec_type === 'video');
    const audioTrack = probe.streams.find((stream) => stream.codec_type === 'audio');
    check('"Save video" hands over a file of the show up to 300 steps after its last key, 60 frames a second, with ' +
      'the sound, and the page returns to the firework', /^firework-show\.(mp4|webm)$/.test(saved.name) &&
        videoTrack?.nb_read_frames === '365' && videoTrack.r_frame_rate === '60/1' && videoTrack.width === 480 &&
        videoTrack.height === 360 && audioTrack !== undefined && saved.panel,
      `${saved.name}: ${JSON.stringify(probe.streams)}`);

    // Frame k against the steps around k + 1 of the same show replayed.
    // Firefox's H.264 makes ffmpeg warn of its parameter sets; the frames decode all the same.
    const frames = execFileSync('ffmpeg', ['-v', 'quiet', '-i', file, '-f', 'rawvideo', '-pix_fmt', 'rgba', '-'],
      {maxBuffer: 1 << 28, stdio: ['ignore', 'pipe', 'ignore']});
    const replay = await openCanvas(browser, url + show, 480, 360, errors);
    const frameSize = 480 * 360 * 4;
    const far = [];
    for (const k of [12, 45, 88]) {
      const steps = await replay.evaluate((first) => {
        const pictures = [];
        while (window.fireworkProbe.steps < first + 2) {
          const picture = window.stepAndPicture();
          if (window.fireworkProbe.steps >= first) {
            pictures.push([...picture.getContext('2d').getImageData(0, 0, 480, 360).data]);
          }
        }
        return pictures;
      }, k);
      const frame = frames.subarray(k * frameSize, (k + 1) * frameSize);
      // The mean difference of the colour channels where either picture is lit.
      const [before, at, after] = steps.map((picture) => {
        let sum = 0, count = 0;
        for (let i = 0; i < frameSize; ++i) {
          if (i % 4 === 3 || Math.max(picture[i], frame[i]) <= 24) continue;
          sum += Math.abs(picture[i] - frame[i]);
          ++count;
        }
        return sum / count;
      });
      far.push(`frame ${k}: ${[before, at, after].map((level) => level.toFixed(1)).join(' / ')}`);
      if (!(at < 0.75 * Math.min(before, after))) far.push('FAR');
    }
    await replay.close();
    check('frame k is the page\'s step k + 1 within the codec\'s error, and the steps around it are not',
      !far.includes('FAR'), `mean difference where lit, steps k / k + 1 / k + 2: ${far.join('; ')}`);

    // At 800 x 600: Cancel pressed at once leaves nothing; a failure before
    // the first frame removes the file it opened; the size said first is
    // within 1.5 times the file's here too.
    const large = await openCanvas(browser, url, 800, 600, errors);
    const sized = await large.evaluate(async () => {
      const {until} = window.fireworkProbe;
      const [rendering, status] = [document.getElementById('rendering'), document.getElementById('status')];
      const button = document.getElementById('save-video');
      button.focus();
      button.click();
      const focused = [document.activeElement.id];
      document.getElementById('render-cancel').click();
      await until(() => rendering.hidden);
      focused.push(document.activeElement.id);
      // Ten times: Chromium can hold an aborted file a moment after it says so.
      // The second firework, the video's own, cannot be made.
      const create = document.createElement;
      document.createElement = function (name, ...rest) {
        if (name === 'firework-player') throw new Error('no second firework');
        return create.call(this, name, ...rest);
      };
      for (let time = 0; time < 10; ++time) {
        document.getElementById('save-video').click();
        await until(() => rendering.hidden && status.textContent && !document.getElementById('save-video').disabled);
      }
      document.createElement = create;
      let said = 0;
      const keys = [{key: 'r', step: 0}, {key: 'a', step: 30}, {key: 'r', step: 60}];
      const video = await fireworkVideo.renderVideo(document.getElementById('firework'), keys, 120, {sound: false,
        told: (estimate) => (said = estimate.bytes), progress: () => {}, cancelled: () => false});
      const ratio = said / (await video.file()).size;
      await video.remove();
      return {status: status.textContent, ratio, focused: focused.join()};
    });
    sized.stored = await stored(large);
    check('at 800 x 600, Cancel at once and ten failures before the first frame leave no file, the failure said; the ' +
      'size said first is within 1.5 times the file\'s; focus goes to Cancel and back', sized.stored.length === 0 &&
      sized.focused === 'render-cancel,save-video' &&
      sized.status === Array(10).fill('The video could not be saved: no second firework').join('\n') &&
      sized.ratio < 1.5 && sized.ratio > 1 / 1.5,
    JSON.stringify(sized));
    await large.close();

    // A full disk: each write into the private file system fails as a full
    // quota does, once the real file has its bytes, and the browser drops
    // what was written.
    const full = await openPage(browser, url, false, errors, null, () => {
      const createWritable = FileSystemFileHandle.prototype.createWritable;
      FileSystemFileHandle.prototype.createWritable = async function (...options) {
        const real = await createWritable.apply(this, options);
        return new WritableStream({
          write: async (chunk) => {
            await real.write(chunk);
            await real.abort();
            throw new DOMException('The quota is used up.', 'QuotaExceededError');
          },
        });
      };
    });
    await full.waitForFunction(() => !document.getElementById('save-video').disabled &&
      window.fireworkProbe.steps > 2, {timeout: 20000, polling: 100});
    await full.click('#save-video');
    await full.waitForFunction(() => document.getElementById('rendering').hidden &&
      document.getElementById('status').textContent, {timeout: 60000, polling: 100}).catch(() => {});
    const quota = await full.evaluate(() => ({status: document.getElementById('status').textContent,
      steps: window.fireworkProbe.steps}));
    await new Promise((resolve) => setTimeout(resolve, 500));
    quota.goesOn = (await readProbe(full)).steps > quota.steps;
    quota.stored = await stored(full);
    check('a full disk is said in one line; the partial file is removed and the firework goes on',
      quota.status === 'The video could not be saved: this device has no room left for it.' && quota.goesOn &&
        quota.stored.length === 0, JSON.stringify(quota));
    await full.close();
  }

  // Without an encoder the button says why.
  const bare = await browser.newPage();
  await bare.evaluateOnNewDocument(() => delete window.VideoEncoder);
  await bare.goto(url);
  await bare.waitForFunction(() => document.getElementById('save-video').title.startsWith('This browser'),
    {timeout: 10000}).catch(() => {});
  const button = await bare.$eval('#save-video', (element) => ({disabled: element.disabled, title: element.title}));
  check('without WebCodecs, "Save video" is disabled and its title says why', button.disabled &&
    button.title === 'This browser cannot save a video: it has no WebCodecs.', JSON.stringify(button));
  await bare.close();
} finally {
  await closeAll(browser, server, scratch);
}
finishClean(errors);
