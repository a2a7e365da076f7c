// video.js: the show as a video file, frame k the program's step k + 1 at
// exactly 60 frames a second. Loaded after mediabunny.js (the muxer, from
// the npm registry, the global Mediabunny) only when the visitor presses
// "Save video", as the global fireworkVideo. Where the file goes as it
// renders is video_file.js's.
//
// The video is the show: from step 0 to 300 steps after its last key
// (show.js's showToRender). The live firework goes on while it renders, so
// a second one renders it: a <firework-player> at the video's size, paused and out of
// view, which steps only when
// the renderer asks. It starts from step 0 and takes the show's keys at
// their steps, as a replay does; after each step its canvas goes to the
// encoder (WebCodecs, through mediabunny), which sets the pace: no frame is
// dropped and none waits on the display. With sound on, the same keys' sound is rendered offline and
// goes in as the audio track.
//
// Size: the live firework's drawing buffer, scaled down to fit 1920 x 1080
// and made even. Format: MP4 with H.264 where the browser encodes it, else
// WebM with VP9 or VP8; audio AAC or Opus.
import {writeShow} from '../show_format.js';
import {renderSound} from '../burst_sound.js';
import {openVideoFile} from './video_file.js';

export {handOver} from './video_file.js';
export {renderSound};

const videoSize = (width, height) => {
  const scale = Math.min(1, 1920 / width, 1080 / height);
  return [2 * Math.floor(width * scale / 2), 2 * Math.floor(height * scale / 2)];
};

// A firework of its own at `width` x `height` device pixels, `scale` of
// them to a CSS pixel, that steps only when told: a paused
// <firework-player> out of view, with `keys` as its show; resolves to
// {step(), canvas, close()} once its program runs. step() runs and draws
// the next step.
export async function renderFirework(width, height, scale, keys) {
  const player = document.createElement('firework-player');
  player.setAttribute('aria-hidden', 'true');
  player.style.cssText = `position: fixed; left: -10000px; top: 0; width: ${width / scale}px; ` +
    `height: ${height / scale}px`;
  player.show = writeShow(keys);
  document.body.appendChild(player);
  await player.seek(0); // started, no step run
  // Each frame is copied to a canvas of the renderer's own: the element's
  // shows a bitmap, which no browser makes a VideoFrame of. Should the
  // element's buffer miss the size by a rounding, the copy scales it.
  const shown = player.shadowRoot.querySelector('canvas');
  const canvas = Object.assign(document.createElement('canvas'), {width, height});
  const copy = canvas.getContext('2d', {alpha: false});
  return {
    canvas,
    step: () => {
      player.step();
      copy.drawImage(shown, 0, 0, width, height);
    },
    close: () => player.remove(),
  };
}

// The video's bits a second at `width` x `height`: 2.9 a pixel, which
// keeps each particle sharp at 60 frames a second in a picture that is
// black but for them. Browsers' encoders differ by more than twice in what
// they make of a quality setting; held to a rate, each makes about as much.
const videoBitrate = (width, height) => Math.round(2.9 * width * height);

// Resolves once the page's waiting tasks have had their turn, without the
// few milliseconds a timer of 0 can cost.
const yieldToPage = () => globalThis.scheduler?.yield?.() ?? new Promise((resolve) => {
  const channel = new MessageChannel();
  channel.port1.onmessage = resolve;
  channel.port2.postMessage(null);
});

// The length of a video of `frames` frames of `keys` at `width` x `height`,
// with sound if `withSound` (the bursts', a song or both), and about how many bytes it takes, for the
// visitor to know before it renders: {seconds, bytes}. A second within
// 600 steps of a burst (the start-up burst's too) takes some 135 KB at
// 800 x 600, growing as the picture's area to the power 0.83 (58 KB at
// 480 x 360, 360 KB at 1440 x 1080, as the encoders made them), or the rate
// where that is less; once the particles have faded, a dark second takes
// some 1 KB; the sound some 12 KB a second.
function videoEstimate(keys, frames, width, height, withSound) {
  const shown = 600;
  let lit = 0, covered = 0;
  for (const start of [0, ...keys.map(({step}) => step)]) {
    const end = Math.min(frames, start + shown);
    lit += Math.max(0, end - Math.max(start, covered));
    covered = Math.max(covered, end);
  }
  const litRate = Math.min(videoBitrate(width, height) / 8, 135000 * (width * height / 480000) ** 0.83);
  return {seconds: frames / 60,
    bytes: (lit * litRate + (frames - lit) * 1000 + (withSound ? frames * 12000 : 0)) / 60};
}

// Renders `frames` frames of `keys` ([{key, step}]) at the size of `player`,
// the page's <firework-player>. `options`: `sound`, with the bursts' sound;
// `song`, an AudioBuffer heard from time 0 (the editor's music);
// `told({seconds, bytes, streamed})`, the length and the estimated size,
// before the first frame renders (false, returned, renders nothing);
// `progress(done)`, each frame; `cancelled()`, asked before each step of
// the way and each frame.
// Resolves to the video, {file(), remove()} (video_file.js), or null if
// not rendered; fails with `noEncoder` set where the browser has no
// encoder. A failed or cancelled render leaves no file behind.
export async function renderVideo(player, keys, frames, {sound: withBursts, song = null, told, progress, cancelled}) {
  const withSound = withBursts || Boolean(song);
  const {Output, Mp4OutputFormat, WebMOutputFormat, VideoSample, VideoSampleSource, AudioBufferSource,
    QUALITY_VERY_HIGH, getFirstEncodableVideoCodec, getFirstEncodableAudioCodec} = Mediabunny;
  const live = player.shadowRoot.querySelector('canvas');
  const [width, height] = videoSize(live.width, live.height);
  const codec = await getFirstEncodableVideoCodec(['avc', 'vp9', 'vp8'], {width, height});
  if (!codec) throw Object.assign(new Error('it has no H.264, VP9 or VP8 encoder'), {noEncoder: true});
  if (cancelled()) return null;
  const mp4 = codec === 'avc';
  const place = await openVideoFile(mp4 ? 'mp4' : 'webm');
  let [output, firework, done] = [null, null, false];
  try {
    if (cancelled() ||
        told({...videoEstimate(keys, frames, width, height, withSound), streamed: place.streamed}) === false) {
      return null;
    }
    // Streamed, the MP4's index goes at its end, where it is known.
    output = new Output({format: mp4 ? new Mp4OutputFormat({fastStart: place.streamed ? false : 'in-memory'}) :
      new WebMOutputFormat(), target: place.target});
    // Device pixels to a CSS pixel, as the live firework has them.
    firework = await renderFirework(width, height, live.width / (live.clientWidth || live.width), keys);
    // The encoder's realtime mode looks less far ahead: some 10 % faster in
    // software, at the same rate.
    const video = new VideoSampleSource({codec, bitrate: videoBitrate(width, height), keyFrameInterval: 1,
      latencyMode: 'realtime'});
    output.addVideoTrack(video, {frameRate: 60});
    let audio = null;
    if (withSound) {
      const audioCodec = await getFirstEncodableAudioCodec(mp4 ? ['aac', 'opus'] : ['opus']);
      audio = new AudioBufferSource({codec: audioCodec, quality: QUALITY_VERY_HIGH});
      output.addAudioTrack(audio);
    }
    await output.start();
    // The muxer interleaves the tracks, so the sound goes in beside the
    // frames rather than before them. A render that stops early leaves it
    // to fail unheard.
    const sound = audio && renderSound(keys, frames, {song, bursts: withBursts}).then((buffer) => audio.add(buffer));
    sound?.catch(() => {});
    for (let k = 0; k < frames; ++k) {
      if (cancelled()) return null; // cancelled and removed below
      firework.step(); // step k + 1, drawn now ...
      // ... and taken at once
      const sample = new VideoSample(new VideoFrame(firework.canvas, {timestamp: 0}), {timestamp: k / 60,
        duration: 1 / 60});
      await video.add(sample);
      sample.close();
      progress(k + 1);
      // The page's own tasks (the progress shown, Cancel, the live
      // firework) run between frames: an encoder that keeps up would
      // otherwise hold them off for the whole render.
      await yieldToPage();
    }
    await sound;
    await output.finalize();
    done = true;
    return place;
  } finally {
    firework?.close();
    if (!done) {
      await output?.cancel().catch(() => {});
      await place.remove();
    }
  }
}
