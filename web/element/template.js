// template.js: what each element's shadow root holds: the picture, the
// fallback for a browser that cannot run it, and the controls.
import {showFormat} from '../show_format.js';

const burstTitles = {w: 'upwards', s: 'pulled down', a: 'pulled left', d: 'to the right',
  z: 'pulled away from you', c: 'pulled toward you', r: 'regenerate'};

export const template = document.createElement('template');
template.innerHTML = `<style>
:host { display: block; position: relative; aspect-ratio: 4 / 3; background: #000; color: #fff;
      font: 15px/1.5 system-ui, sans-serif; }
:host([hidden]) { display: none; }
:host([transparent]) { background: none; mix-blend-mode: plus-lighter; }
:host([transparent]:not([controls]):not([keys])) { pointer-events: none; }
[part=picture] { position: absolute; inset: 0; outline: none; }
[part=picture]:focus-visible { outline: 2px solid #fc6; outline-offset: -2px; }
canvas { display: block; width: 100%; height: 100%; }
canvas + canvas { position: absolute; inset: 0; pointer-events: none; }
canvas:has(+ canvas) { visibility: hidden; }
[part=controls] { position: absolute; left: 0; right: 0; bottom: 0; display: flex; flex-wrap: wrap; gap: 4px;
                justify-content: center; padding: 4px; background: rgb(0 0 0 / 0.6); }
[part=controls] button, select { min-width: 44px; min-height: 44px; padding: 0 8px; border: 1px solid #888;
                               border-radius: 8px; background: #222; color: #fff; font: inherit;
                               touch-action: manipulation; }
button:focus-visible, select:focus-visible { outline: 2px solid #fc6; outline-offset: 1px; }
button:disabled { opacity: 0.5; }
label { display: flex; align-items: center; gap: 4px; }
[hidden] { display: none !important; }
</style><div part="picture" role="img"><canvas></canvas></div><div part="fallback" hidden><slot></slot></div>
<div part="controls" role="toolbar" aria-label="Firework controls" hidden>
<button type="button" data-do="pause">Play</button><button type="button" data-do="step">Step</button>
<label>Speed <select><option value="1">1×</option><option value="0.5">½×</option><option value="0.25">¼×</option>
</select></label>${[...showFormat.burstKeys].map((key) =>
  `<button type="button" data-key="${key}" aria-keyshortcuts="${key}" title="burst ${burstTitles[key]}"
aria-label="burst ${key}, ${burstTitles[key]}">${key}</button>`).join('')}</div>`;
