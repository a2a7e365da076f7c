// webdriver.mjs: a small W3C WebDriver client for WebKitGTK's WebDriver,
// which speaks no DevTools and no WebDriver BiDi. It offers the part of
// puppeteer's Browser and Page that the page tests use, so that they run
// unchanged in WebKit:
//   browser.newPage(), browser.close();
//   page.goto, reload, url, title, evaluate, waitForFunction,
//   waitForNavigation, $, $eval, $$eval, click, keyboard.press/down/up,
//   mouse.move/down/up/click,
//   setViewport (its size: the device scale is the browser's own),
//   evaluateOnNewDocument, on('console' | 'pageerror'), close;
//   an element's screenshot({encoding: 'base64'}).
//
// Classic WebDriver cannot run a script before a page's own, so
// evaluateOnNewDocument is done by the page's server: `initScripts`, shared
// with browser.mjs's serveFolder, maps a token in the address's query
// (?init=N, then a cookie) to the scripts that go first into the page's
// head. A file://
// page is copied with them to a folder of its own. A script put there also
// keeps the page's console errors and uncaught errors, which every call
// collects. Each page is a WebDriver session of its own: its own window.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {pathToFileURL, fileURLToPath} from 'node:url';

export const initScripts = new Map();
let nextInit = 1;

// Keeps console.error and uncaught errors in window.fireworkErrors.
function keepErrors() {
  const errors = (window.fireworkErrors = []);
  const error = console.error.bind(console);
  console.error = (...parts) => {
    errors.push(parts.join(' '));
    error(...parts);
  };
  window.addEventListener('error', (event) => errors.push(event.message));
  window.addEventListener('unhandledrejection', (event) => errors.push(String(event.reason)));
}

// Puts `scripts` first into the head of `html`.
export const withScripts = (html, scripts) =>
  html.replace('<head>', `<head>\n${scripts.map((script) => `<script>${script}</script>`).join('\n')}`);

// WebDriver's names for the keys that have one (puppeteer's names).
const keyNames = {Escape: '\uE00C', Tab: '\uE004', Enter: '\uE007', Space: ' ', Shift: '\uE008',
  Control: '\uE009', Alt: '\uE00A', Meta: '\uE03D', Backspace: '\uE003', Delete: '\uE017', Home: '\uE011',
  End: '\uE010', ArrowLeft: '\uE012', ArrowRight: '\uE014'};
const keyValue = (key) => keyNames[key] ?? (/^Key[A-Z]$/.test(key) ? key.slice(3).toLowerCase() : key);

// Runs `fn` in the page with `args` and waits for its promise; its value
// and the errors kept since the last call come back.
const asyncScript = (fn, args) => `const done = arguments[arguments.length - 1];
  Promise.resolve().then(() => (${fn}).apply(null, ${JSON.stringify(args)}))
    .then((value) => ({value}), (error) => ({thrown: String(error) + (error && error.stack ? ' ' + error.stack : '')}))
    .then((result) => {
      result.errors = (window.fireworkErrors || []).splice(0);
      done(result);
    });`;

export async function startWebDriver(driverUrl, capabilities) {
  const call = async (method, route, body) => {
    const response = await fetch(driverUrl + route, {method, headers: {'Content-Type': 'application/json'},
      body: body === undefined ? undefined : JSON.stringify(body)});
    const reply = await response.json();
    if (reply.value && reply.value.error) {
      throw new Error(`WebDriver ${method} ${route}: ${reply.value.error}: ${reply.value.message}`);
    }
    return reply.value;
  };
  const pages = new Set();
  return {
    async newPage() {
      const {sessionId} = await call('POST', '/session', {capabilities: {alwaysMatch: capabilities}});
      const page = webDriverPage((method, route, body) => call(method, `/session/${sessionId}${route}`, body));
      pages.add(page);
      page.closed.then(() => pages.delete(page));
      return page;
    },
    async close() {
      await Promise.all([...pages].map((page) => page.close()));
    },
  };
}

function webDriverPage(call) {
  const listeners = {console: [], pageerror: []};
  const scripts = [`(${keepErrors})();`];
  const copies = [];
  let init = 0;
  let endSession;
  const page = {closed: new Promise((resolve) => (endSession = resolve))};

  async function run(fn, args) {
    const result = await call('POST', '/execute/async', {script: asyncScript(fn, args), args: []});
    for (const error of result.errors) for (const listener of listeners.pageerror) listener(new Error(error));
    if (result.thrown !== undefined) throw new Error(`in the page: ${result.thrown}`);
    return result.value;
  }
  // The address to open for `url`, with the scripts to run first.
  function prepared(url) {
    if (!init) {
      init = nextInit++;
      initScripts.set(String(init), scripts);
    }
    if (url.startsWith('file:')) {
      const [address, fragment = ''] = url.split(/(?=#)/);
      const file = fileURLToPath(address);
      const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'firework-webkit-page-'));
      copies.push(copy);
      fs.cpSync(path.dirname(file), copy, {recursive: true});
      fs.writeFileSync(path.join(copy, path.basename(file)), withScripts(fs.readFileSync(file, 'utf8'), scripts));
      return pathToFileURL(path.join(copy, path.basename(file))).href + fragment;
    }
    const address = new URL(url);
    address.searchParams.set('init', init);
    return address.href;
  }
  const element = async (selector) => {
    const found = await call('POST', '/elements', {using: 'css selector', value: selector});
    return found.length ? Object.values(found[0])[0] : null;
  };
  const keyActions = (actions) => call('POST', '/actions', {actions: [{type: 'key', id: 'keyboard', actions}]});
  const mouseActions = (actions) => call('POST', '/actions', {actions: [{type: 'pointer', id: 'mouse',
    parameters: {pointerType: 'mouse'}, actions}]});
  const mouseMove = (x, y) => ({type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport',
    duration: 0});

  Object.assign(page, {
    on(type, listener) {
      // Console errors come as the page's own errors, through the kept list.
      (type === 'console' ? listeners.pageerror : listeners[type])?.push(
        type === 'console' ? (error) => listener({type: () => 'error', text: () => error.message}) : listener);
    },
    async evaluateOnNewDocument(fn, ...args) {
      scripts.push(`(${fn}).apply(null, ${JSON.stringify(args)});`);
    },
    goto: (url) => call('POST', '/url', {url: prepared(url)}),
    reload: () => call('POST', '/refresh', {}),
    url: () => call('GET', '/url'),
    title: () => call('GET', '/title'),
    evaluate: (fn, ...args) => run(fn, args),
    async waitForFunction(fn, options = {}, ...args) {
      const end = Date.now() + (options.timeout ?? 30000);
      for (;;) {
        const value = await run(fn, args).catch(() => false);
        if (value) return value;
        if (Date.now() > end) throw new Error(`waitForFunction: ${options.timeout} ms passed`);
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
    },
    async waitForNavigation(options = {}) {
      const marked = await run(() => (window.fireworkOldDocument = true), []);
      await page.waitForFunction(() => !window.fireworkOldDocument && document.readyState === 'complete', options);
      return marked;
    },
    async $(selector) {
      const id = await element(selector);
      return id && {screenshot: () => call('GET', `/element/${id}/screenshot`)};
    },
    $eval: (selector, fn, ...args) => run(`(selector, ...rest) => (${fn})(document.querySelector(selector), ...rest)`,
      [selector, ...args]),
    $$eval: (selector, fn, ...args) => run(
      `(selector, ...rest) => (${fn})([...document.querySelectorAll(selector)], ...rest)`, [selector, ...args]),
    async click(selector) {
      const id = await element(selector);
      if (!id) throw new Error(`click: no element matches ${selector}`);
      await call('POST', `/element/${id}/click`, {});
    },
    keyboard: {
      press: (key) => keyActions([{type: 'keyDown', value: keyValue(key)}, {type: 'keyUp', value: keyValue(key)}]),
      down: (key) => keyActions([{type: 'keyDown', value: keyValue(key)}]),
      // A released modifier stays released only once the actions are let go.
      up: async (key) => {
        await keyActions([{type: 'keyUp', value: keyValue(key)}]);
        await call('DELETE', '/actions');
      },
    },
    // The mouse's button stays down from down() to up().
    mouse: {
      move: (x, y, {steps = 1} = {}) => mouseActions(Array.from({length: steps}, () => mouseMove(x, y))),
      down: () => mouseActions([{type: 'pointerDown', button: 0}]),
      up: () => mouseActions([{type: 'pointerUp', button: 0}]),
      click: (x, y, {count = 1} = {}) => mouseActions([mouseMove(x, y), ...Array.from({length: count},
        () => [{type: 'pointerDown', button: 0}, {type: 'pointerUp', button: 0}]).flat()]),
    },
    // The window's size is set so that the page gets `width` x `height`
    // CSS pixels; the browser's chrome around it is measured.
    // A window just opened may not have laid out its page yet (no size).
    async setViewport({width, height}) {
      for (let attempt = 0; attempt < 10; ++attempt) {
        const inner = await run(() => [innerWidth, innerHeight], []);
        if (inner[0] === width && inner[1] === height) return;
        if (!(inner[0] > 0 && inner[1] > 0)) {
          await new Promise((resolve) => setTimeout(resolve, 100));
          continue;
        }
        const rect = await call('GET', '/window/rect');
        await call('POST', '/window/rect', {width: Math.max(1, Math.round(rect.width + width - inner[0])),
          height: Math.max(1, Math.round(rect.height + height - inner[1]))});
      }
    },
    bringToFront: async () => {},
    async close() {
      initScripts.delete(String(init));
      await call('DELETE', '').catch(() => {});
      for (const copy of copies) fs.rmSync(copy, {recursive: true, force: true});
      endSession();
    },
  });
  return page;
}
