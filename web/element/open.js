// firework-player.js: the <firework-player> element, with the firework's
// program, its WebAssembly and its sprite inside. Importing it, or loading
// it as a classic script, defines the element; nothing else is fetched.
// Where there is no DOM (a server rendering the page) it does nothing.
//
// The file is one function, opened here and closed at the end of
// player.js: between them the program's factory (fireworkProgram, built by
// Emscripten), the show format, the bursts' sound and the element, none of
// them seen outside but the element's class, FireworkPlayer.
(function () {
  if (typeof window === 'undefined' || typeof customElements === 'undefined' ||
      customElements.get('firework-player')) return;

  // Every firework of the page runs its own instance of one WebAssembly
  // module, compiled once: the factory's WebAssembly.instantiate is this
  // one, which compiles the module's bytes the first time only. A compile
  // or an instance the browser refuses (a Content-Security-Policy without
  // 'wasm-unsafe-eval', say) goes to the starting program's onAbort,
  // `starting` when the factory was called, and the factory's own promise
  // is left unsettled, its start answered there.
  let compiled = null;
  let starting = null;
  const WebAssembly = Object.create(globalThis.WebAssembly, {
    instantiate: {
      value: (bytes, imports) => {
        const program = starting;
        compiled ??= globalThis.WebAssembly.compile(bytes);
        return compiled.then((module) => globalThis.WebAssembly.instantiate(module, imports)
          .then((instance) => ({module, instance})))
          .catch((reason) => {
            program?.onAbort?.(reason);
            return new Promise(() => {});
          });
      },
    },
  });
