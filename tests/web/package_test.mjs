// package_test.mjs: the element's npm package in use, after
// package_setup.sh: a plain page, an esbuild bundle and a Vite bundle each
// run the firework; custom-elements.json tells the element's real
// attributes, each mirrored by its property, and its real events.
//
// usage: node package_test.mjs SCRATCH
// Prints a line per check and "N passed, N failed"; exits 1 on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {launchBrowser, serveFolder, checkList, openPage, closeAll} from './browser.mjs';

const [scratch] = process.argv.slice(2);
const {check, finishClean} = checkList('package');
const errors = [];
const server = await serveFolder(path.resolve(scratch));
const address = (page) => `http://127.0.0.1:${server.address().port}/${page}`;
const manifest = JSON.parse(fs.readFileSync(path.join(scratch, 'node_modules/firework-player/custom-elements.json')));
const declared = manifest.modules[0].declarations[0];
const browser = await launchBrowser();
try {
  for (const page of ['plain.html', 'esbuild/index.html', 'vite/index.html']) {
    const tab = await openPage(browser, address(page), false, errors);
    const ran = await tab.waitForFunction(() => document.querySelector('firework-player')?.currentStep > 60,
      {timeout: 20000, polling: 100}).then(() => true, () => false);
    const state = await tab.evaluate(() => ({recorded: document.querySelector('firework-player')?.recorded,
      contexts: typeof FireworkPlayer}));
    check(`${page}: the element runs its show`, ran && state.recorded === '1.RA1eA', JSON.stringify(state));
    if (page !== 'plain.html') {
      await tab.close();
      continue;
    }
    // Every attribute the manifest names is one the element observes, and
    // its property reads what the attribute says; every event it names is
    // one the element sends.
    const real = await tab.evaluate(async (attributes) => {
      const player = document.createElement('firework-player');
      const values = {show: '1.W', loop: '30', speed: '0.5', label: 'Shown'};
      const mirrored = attributes.filter((name) => {
        player.setAttribute(name, values[name] ?? '');
        const value = player[name];
        return values[name] ? String(value) === values[name] : value === true;
      });
      const sent = new Set();
      for (const type of ['ready', 'play', 'pause', 'seeking', 'seeked', 'burst', 'loop', 'ended', 'error',
        'webglcontextlost', 'webglcontextrestored', 'change', 'click']) {
        player.addEventListener(type, () => sent.add(type));
      }
      player.removeAttribute('controls');
      player.style.width = '200px'; // in view, above the page's own
      document.body.prepend(player);
      await new Promise((resolve) => player.addEventListener('loop', resolve));
      player.pause();
      player.play();
      player.speed = 7;
      const heard = (type) => new Promise((resolve) => player.addEventListener(type, resolve, {once: true}));
      const lose = window.fireworkProbe.gl.getExtension('WEBGL_lose_context');
      lose.loseContext();
      await heard('webglcontextlost');
      await new Promise((resolve) => setTimeout(resolve)); // once the browser has let it be restored
      lose.restoreContext();
      await heard('webglcontextrestored');
      player.loop = false;
      await player.seek(player.currentStep + 1); // a program that runs, not one starting over
      player.keys = true;
      player.dispatchEvent(new KeyboardEvent('keydown', {key: 'Escape'}));
      return {observed: FireworkPlayer.observedAttributes, mirrored, sent: [...sent]};
    }, declared.attributes.map((attribute) => attribute.name));
    const names = (list) => list.map((item) => item.name ?? item).sort().join();
    check('custom-elements.json names the element\'s real attributes, each mirrored by its property',
      names(declared.attributes) === names(real.observed) && real.mirrored.length === declared.attributes.length &&
        declared.attributes.every((attribute) => declared.members.some((member) => member.name === attribute.name)),
      JSON.stringify(real));
    check('custom-elements.json names the element\'s real events', names(declared.events) === names(real.sent),
      `${names(declared.events)} against ${names(real.sent)}`);
    await tab.close();
  }
} finally {
  await closeAll(browser, server);
}
finishClean(errors);
