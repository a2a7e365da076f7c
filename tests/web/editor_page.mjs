// editor_page.mjs: what the editor's tests share: the editor opened and
// ready, what it shows and says, and keys typed on its timeline.
import {openPage} from './browser.mjs';

// The editor at `address`, once its preview has drawn, paused at step 0
// with the timeline focused; frames held with `holdFrames` (frameProbe).
export async function openEditor(browser, address, errors, {viewport = null, holdFrames = false} = {}) {
  const page = await openPage(browser, address, holdFrames, errors, viewport);
  await page.waitForFunction((held) => window.preview?.currentStep > 0 || (held && fireworkProbe.release(1) > 1),
    {timeout: 20000, polling: 100}, holdFrames);
  await page.evaluate(() => {
    preview.pause();
    document.getElementById('timeline').focus();
    showEditor.doc.seek(0);
  });
  return page;
}

// What the editor shows and says, once the address holds the show (it is
// written at most every 250 ms; a show that could not be read stays in it
// until the first edit).
export async function editorState(page) {
  await page.waitForFunction(() => location.hash.split('&')[0] === '#show=' + showEditor.doc.text(),
    {timeout: 1000, polling: 50}).catch(() => {});
  return page.evaluate(() => ({hash: location.hash,
  said: document.getElementById('said').textContent, note: document.getElementById('note').textContent,
  playhead: showEditor.doc.playhead, step: preview.currentStep, paused: preview.paused,
  readout: document.getElementById('readout').textContent, play: document.getElementById('play').textContent,
  active: document.getElementById(document.getElementById('timeline').getAttribute('aria-activedescendant'))
    ?.textContent ?? ''}));
}

// Keys typed on the timeline, "Control+Shift+z" holding the modifiers.
export async function typeKeys(page, ...keys) {
  for (const chord of keys) {
    const parts = chord.split('+');
    const key = parts.pop();
    for (const modifier of parts) await page.keyboard.down(modifier);
    await page.keyboard.press(key);
    for (const modifier of parts.reverse()) await page.keyboard.up(modifier);
  }
}
