// runtime_web.js: where the program meets the page, for Emscripten's
// minimal runtime (emcc --pre-js). Its functions take the place of the
// runtime's own of the same names.
//
// - Standard output and standard error go to Module.print and
//   Module.printErr, a line at a time, where the page sets them, and to the
//   browser's console otherwise.
// - main starts once the WebAssembly is ready; built as a factory, the
//   promise the factory returns resolves once main has reached GLUT's main
//   loop (or ended). GLUT's main loop never
//   returns: it unwinds main's stack (glut_web.js throws 'unwind'), and
//   the program lives on in its handlers. The same unwinding ends the
//   program from anywhere once it has exited.
// - A failure inside main (a trap, or an exception from the browser's
//   WebGL) ends the program and goes to Module.onAbort(reason), where the
//   page sets it; the promise resolves all the same, so that a start
//   always settles.
// - Module.state hands the program's state to the page (program_state.cpp):
//   the particle pool's bytes in the program's memory, the random source,
//   and the quiet steps and keys that seeking runs.

function out(text) {
  (Module['print'] || console.log)(text);
}

function err(text) {
  (Module['printErr'] || console.error)(text);
}

function ready() {
  var pool = _particleState();
  Module['state'] = {
    pool: function() { return HEAPU8.subarray(pool, pool + _particleStateSize()); },
    random: _randomSource,
    setRandom: _setRandomSource,
    advance: _advanceQuietly,
    type: _typeQuietly,
  };
  try {
    run();
  } catch (e) {
    if (e !== 'unwind') {
      if (!Module['onAbort']) throw e;
      Glut.stop();
      Module['onAbort'](e);
    }
  }
  // Built as a factory (emcc -sMODULARIZE), its promise: the program runs.
  if (typeof readyPromiseResolve != 'undefined') readyPromiseResolve(Module);
}
