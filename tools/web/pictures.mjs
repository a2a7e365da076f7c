// pictures.mjs: the README's moving preview and its picture of the seven
// bursts, rendered from the built page in headless Chromium one animation
// frame at a time, so that frame n is the same picture on every run.
// make_pictures.mjs encodes what this renders; the pictures test renders it
// again and compares it with the committed files.
//
// Each picture is taken straight from the canvas's drawing buffer, in the
// same task as the step that drew it, at 1 device pixel per CSS pixel: the
// program itself draws at the picture's size, nothing is scaled.
import {openCanvas} from './browser.mjs';

// The preview: what happens, as [key, steps]: the start-up burst, then r,
// then a (pulled left); one frame per step.
export const preview = {width: 480, height: 360, scenes: [['', 90], ['r', 120], ['a', 90]]};

// The seven bursts: each panel is its key's burst `steps` steps after the
// key, pressed on a fresh start after one step; 4 columns of panels with
// `gap` pixels between them, the eighth cell for the caption.
export const bursts = {
  keys: [['w', 'up'], ['s', 'down'], ['a', 'left'], ['d', 'right'], ['z', 'away'], ['c', 'toward'],
    ['r', 'regenerate']],
  steps: 60,
  width: 320,
  height: 240,
  gap: 4,
  columns: 4,
};
bursts.caption = `each burst ${bursts.steps} steps after its key`;

// Where panel `index` of the burst picture starts, in pixels, and the
// picture's size.
export const panelOrigin = (index) => [(index % bursts.columns) * (bursts.width + bursts.gap),
  Math.floor(index / bursts.columns) * (bursts.height + bursts.gap)];
export const burstsSize = [bursts.columns * (bursts.width + bursts.gap) - bursts.gap,
  2 * (bursts.height + bursts.gap) - bursts.gap];

// How long preview frame `index` shows, in milliseconds: each step lasts a
// 60 Hz frame, rounded so that the times add up (17, 16, 17, 17, 16, ...).
export const frameDuration = (index) => Math.round((index + 1) * 1000 / 60) - Math.round(index * 1000 / 60);

// Plays `scenes` on `page` ([key, steps]: the key pressed, if any, then that
// many steps), calling `takeStep(index)` for each step; takeStep runs the
// step itself, through stepAndPicture().
export async function play(page, scenes, takeStep) {
  let index = 0;
  for (const [key, steps] of scenes) {
    if (key) await page.keyboard.press(key);
    for (let n = 0; n < steps; ++n) await takeStep(index++);
  }
}

// The preview's frames, each as PNG data.
export async function previewFrames(browser, url) {
  const page = await openCanvas(browser, url, preview.width, preview.height);
  const frames = [];
  await play(page, preview.scenes, async () => {
    frames.push(await page.evaluate(() => window.stepAndPicture().toDataURL('image/png')));
  });
  await page.close();
  return frames;
}

// The seven bursts' panels in key order, each as PNG data.
export async function burstPanels(browser, url) {
  const panels = [];
  for (const [key] of bursts.keys) {
    const page = await openCanvas(browser, url, bursts.width, bursts.height);
    // One step, the key, then every step but the last unseen; the last one pictured.
    await page.evaluate(() => window.fireworkProbe.release(1));
    await page.keyboard.press(key);
    await page.evaluate((steps) => window.fireworkProbe.release(steps), bursts.steps - 1);
    panels.push(await page.evaluate(() => window.stepAndPicture().toDataURL('image/png')));
    await page.close();
  }
  return panels;
}
