// video_button.js: the "Save video" button (id save-video) and its progress
// panel (rendering), as the main page and the editor both have them. Where the
// browser has WebCodecs, the button renders a show (video.js, loaded then,
// with what it needs). Which encoders there are is asked only then: asking
// costs the browser its media framework's start-up, which the page's first
// frame should not wait for.
import {loadScript} from './load_script.js';

// The steps a video runs past its show's last key.
export const videoTail = 300;

// The video's code, the first time it is needed: the muxer, then video.js
// (with the sound's offline rendering and where the file goes), which
// leaves its functions in the global fireworkVideo.
export async function loadVideo() {
  if (typeof fireworkVideo === 'undefined') {
    for (const script of ['mediabunny.js', 'video.js']) await loadScript(script);
  }
  return fireworkVideo;
}

// "46 s, about 12 MB": a video's length and size, as the page says them.
export function videoLength({seconds, bytes}) {
  const time = seconds < 10 ? `${seconds.toFixed(1)} s` : seconds < 120 ? `${Math.round(seconds)} s` :
    `${Math.floor(seconds / 60)} min ${Math.round(seconds % 60)} s`;
  const megabytes = bytes / 1e6;
  return `${time}, about ${megabytes < 10 ? megabytes.toFixed(1) : Math.round(megabytes)} MB`;
}

// Wires the button up: a press renders `toRender()` ({keys, frames, and a
// song, an AudioBuffer, or none}) as `player` (a <firework-player>) would
// draw it, with its sound if on;
// `say(text)` tells what went wrong.
export function wireVideoButton(player, toRender, say) {
  const button = document.getElementById('save-video');
  const unsupported = (why) => {
    button.disabled = true;
    button.title = `This browser cannot save a video: ${why}.`;
  };
  if (typeof VideoEncoder === 'undefined') unsupported('it has no WebCodecs');
  else button.disabled = false;
  // The panel, hidden until a video renders, after the button's toolbar.
  const panel = document.createElement('div');
  Object.assign(panel, {id: 'rendering', hidden: true, innerHTML: '<label for="render-progress">Rendering the video ' +
    '(<span id="render-about"></span>): <span id="render-percent">0 %</span></label>' +
    '<progress id="render-progress" max="100" value="0"></progress>' +
    '<button type="button" id="render-cancel">Cancel</button>'});
  panel.setAttribute('role', 'group');
  panel.setAttribute('aria-label', 'Saving the video');
  button.parentElement.after(panel);

  button.addEventListener('click', async () => {
    const {keys, frames, song = null} = toRender();
    const bar = document.getElementById('render-progress');
    const about = document.getElementById('render-about');
    const percent = document.getElementById('render-percent');
    let cancelled = false; // from the press of Save video on
    document.getElementById('render-cancel').onclick = () => (cancelled = true);
    // Focus goes to Cancel while the button is disabled, and back after.
    const focused = document.activeElement === button;
    button.disabled = true;
    bar.max = frames;
    bar.value = 0;
    about.textContent = '';
    percent.textContent = '0 %';
    panel.hidden = false;
    if (focused) document.getElementById('render-cancel').focus();
    try {
      const {renderVideo, handOver} = await loadVideo();
      const video = !cancelled && await renderVideo(player, keys, frames, {
        sound: player.sound,
        song,
        // Said before the first frame renders. Held in the tab's memory, a
        // video of over 5 minutes is made only if the visitor wants it.
        told: (estimate) => {
          about.textContent = videoLength(estimate);
          return estimate.streamed || estimate.seconds <= 300 ||
            confirm(`This browser keeps the video in memory while it renders: ${videoLength(estimate)}. Go on?`);
        },
        progress: (done) => {
          bar.value = done;
          percent.textContent = `${Math.floor(100 * done / frames)} %`;
        },
        cancelled: () => cancelled,
      });
      if (video) await handOver(video);
      button.disabled = false;
    } catch (error) {
      if (error.noEncoder) unsupported(error.message);
      else if (error.name === 'QuotaExceededError') say('The video could not be saved: this device has no room left ' +
        'for it.');
      else say('The video could not be saved: ' + error.message);
      button.disabled = Boolean(error.noEncoder);
    } finally {
      const cancel = document.getElementById('render-cancel');
      const focusWasHere = document.activeElement === cancel || document.activeElement === document.body;
      panel.hidden = true;
      const back = button.disabled ? button.parentElement.querySelector('button:not(:disabled)') : button;
      if (focused && focusWasHere) back?.focus();
    }
  });
}

// A video that a tab closed while it rendered, or after its download,
// leaves its file in the origin's private file system (video_file.js); the
// next visit of any page that saves videos removes it, unless another tab,
// still using it, holds the Web Lock of its name. Only videos are named
// so: the editor's song is never one of them.
export async function removeLeftVideos() {
  const folder = await navigator.storage?.getDirectory?.().catch(() => null);
  if (!folder?.keys) return;
  const remove = (name) => folder.removeEntry(name).catch(() => {});
  for await (const name of folder.keys()) {
    if (!name.startsWith('firework-show-')) continue;
    if (!navigator.locks) await remove(name);
    else await navigator.locks.request(name, {ifAvailable: true}, (free) => free && remove(name));
  }
}
