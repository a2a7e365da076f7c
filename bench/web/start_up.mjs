// start_up.mjs: what the page weighs and how soon its first frame comes,
// beside a blank WebGL page (clear.html, which only clears the same canvas)
// and a bare page of one <firework-player> (element.html, what an embedding
// site serves), and, with FIREWORK_EARLIER_SITE set, the site as an earlier
// commit built it, in one warm browser of the engine of FIREWORK_BROWSER
// (browser.mjs: headless Chromium by default, or Firefox or WebKit) at 1
// device pixel per CSS pixel.
//
// - The size of the program's file (firework-player.js; an earlier site's
//   firework.js) and of the WebAssembly inside it.
// - Every file the page fetches before its first frame, with its size.
// - The time from navigation to the first clear of the canvas (the first
//   frame step), for each page in turn over LOADS alternated loads (9 by
//   default), after one load of each to warm the browser up; the medians
//   and their ratio. A first visit: each load in a tab with nothing cached
//   and no service worker, in a browser context of its own (a WebDriver
//   session of its own in WebKit, whose driver gives each a store of its
//   own). Then a return visit: the same loads in the browser's default
//   context (in WebKit, one session), where each page's service worker
//   answers from its cache.
//
// usage: [FIREWORK_EARLIER_SITE=FOLDER] node start_up.mjs SITE ELEMENT BASELINE_FOLDER [LOADS]
//   ELEMENT holds firework-player.js; BASELINE_FOLDER, clear.html and element.html.
import fs from 'node:fs';
import path from 'node:path';
import {once} from 'node:events';
import {Worker, isMainThread, parentPort, workerData} from 'node:worker_threads';
import {launchBrowser, serveFolder, frameProbe, closePage, elementPages, engineName} from './browser.mjs';

if (!isMainThread) { // a folder's server (serve)
  const server = await serveFolder(workerData);
  server.on('request', (request) => parentPort.postMessage(request.url));
  parentPort.postMessage(server.address().port);
  await new Promise(() => {});
}

const [site, element, baseline, loads = '9'] = process.argv.slice(2);
const earlier = process.env.FIREWORK_EARLIER_SITE || '';
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The program's file in `folder`, its size and that of the WebAssembly it
// carries as base64.
function weight(folder) {
  const file = ['firework.js', 'firework-player.js'].find((name) => fs.existsSync(path.join(folder, name)));
  const script = fs.readFileSync(path.join(folder, file), 'latin1');
  const base64 = /["'](AGFzbQ[A-Za-z0-9+/=]{1000,})/.exec(script)?.[1] ?? '';
  return {file, script: script.length, wasm: Buffer.from(base64, 'base64').length};
}

// A tab with the frame probe, and how to close it: with nothing cached,
// `fresh`, or the browser's default one.
async function openTab(fresh) {
  const context = fresh && browser.createBrowserContext ? await browser.createBrowserContext() : null;
  const page = await (context ?? (browser.defaultBrowserContext?.() || browser)).newPage();
  await page.evaluateOnNewDocument(frameProbe, false);
  return {page, close: async () => {
    await closePage(page);
    await context?.close();
  }};
}

// A page's first frame in `page`: milliseconds from navigation to its
// first clear, and the files asked for before it, with their sizes.
async function firstFrame(page, server, file) {
  const asked = [];
  const note = (request) => asked.push([decodeURIComponent(new URL(request.url, 'http://localhost').pathname),
    Date.now()]);
  server.on('request', note);
  await page.goto(`http://127.0.0.1:${server.address().port}/${file}`);
  await page.waitForFunction(() => window.fireworkProbe.firstStep, {timeout: 20000, polling: 50});
  const [time, at] = await page.evaluate(() => [window.fireworkProbe.firstStep,
    performance.timeOrigin + window.fireworkProbe.firstStep]);
  server.off('request', note);
  const root = server.root;
  const names = new Set(asked.filter(([, when]) => when <= at).map(([name]) => name.slice(1) || 'index.html'));
  const served = [...names].map((name) => [name, fs.statSync(path.join(root, name)).size]);
  return {time, served};
}

// Each folder is served from a thread of its own, as a real server would
// be: on this thread the server's answers would wait behind the browser's
// messages to the driver. The thread tells each request as it comes.
// WebKit's pages get the probe from their server (webdriver.mjs), which
// must then be this thread's; its driver sends nothing while a page loads.
async function serve(folder) {
  const root = path.resolve(folder);
  if (engineName === 'webkit') return Object.assign(await serveFolder(root), {root});
  const thread = new Worker(new URL(import.meta.url), {workerData: root});
  const [port] = await once(thread, 'message');
  const listeners = new Set();
  thread.on('message', (url) => listeners.forEach((listener) => listener({url})));
  return {root, address: () => ({port}), on: (event, listener) => listeners.add(listener),
    off: (event, listener) => listeners.delete(listener), close: () => thread.terminate()};
}
const pages = [
  {name: 'firework', server: await serve(site), file: 'index.html', times: []},
  {name: 'blank WebGL page', server: await serve(baseline), file: 'clear.html', times: []},
  {name: 'one element', server: await serve(elementPages(element, [path.join(baseline, 'element.html')])),
    file: 'element.html', times: []},
];
if (earlier) pages.push({name: 'earlier firework', server: await serve(earlier), file: 'index.html', times: []});

for (const page of pages.filter((page) => page.file === 'index.html')) {
  const {file, script, wasm} = weight(page.server.root);
  console.log(`${page.name}: ${file} ${script} bytes, with ${wasm} bytes of WebAssembly inside`);
}

const browser = await launchBrowser();
const summary = [];
for (const visit of ['first visit', 'return visit']) {
  const returning = visit === 'return visit';
  for (const page of pages) page.times = [];
  // WebKit's store lasts as long as its session: one tab for every return visit there.
  const kept = returning && !browser.defaultBrowserContext ? await openTab(false) : null;
  for (let load = -1; load < Number(loads); ++load) {
    for (const page of pages) {
      const tab = kept ?? await openTab(!returning);
      const {time, served} = await firstFrame(tab.page, page.server, page.file);
      if (!kept) await tab.close();
      if (load >= 0) {
        page.times.push(time);
      } else if (!returning) {
        const total = served.reduce((sum, [, size]) => sum + size, 0);
        console.log(`${page.name}: fetched before its first frame ${total} bytes: ` +
          served.map(([file, size]) => `${file} ${size}`).join(', '));
      }
    }
  }
  await kept?.close();
  for (const page of pages) {
    console.log(`${engineName}, ${visit}, ${page.name}: first clear ${median(page.times).toFixed(0)} ms after navigation ` +
      `(median of ${page.times.length}; ${Math.min(...page.times).toFixed(0)} to ` +
      `${Math.max(...page.times).toFixed(0)} ms)`);
  }
  summary.push(`${visit}, firework / blank WebGL page: ${(median(pages[0].times) / median(pages[1].times)).toFixed(2)}`,
    `${visit}, one element / blank WebGL page: ${(median(pages[2].times) / median(pages[1].times)).toFixed(2)}`);
}
await browser.close();
for (const page of pages) page.server.close();
console.log(summary.join('\n'));
