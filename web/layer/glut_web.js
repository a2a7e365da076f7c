// glut_web.js: the browser's GLUT, for what the firework asks of it. An
// Emscripten JS library, linked with emcc --js-library. The window is a
// canvas of the page's (Module.canvas); its WebGL context comes from
// webgl.js.
// Every field of Module that the layer reads or sets is listed in
// docs/web.md, "The program and the page".
//
// - The idle handler runs once per animation frame (requestAnimationFrame),
//   so every step of the simulation is shown and none is wasted. Without
//   one, the display handler runs once, for the first frame.
// - The page sets the pace, which a desktop's GLUT leaves to the machine:
//   while Module.paused is true no step runs (the first frame is drawn all
//   the same) and the canvas keeps its last picture, and no animation
//   frame is asked for until Module.wake(); Module.framesPerStep
//   (1 when unset) runs one step every so many animation frames, for slow
//   motion; Module.stepOnce() runs one step at once. The steps are the same
//   at any pace: only when they run changes. While Module.held is true
//   there is no animation at all, not even the first frame: for a window
//   out of view; Module.hold(held) sets it and starts or stops the
//   animation. Module.setSteps(n) sets the steps run, for a page that
//   has restored the program's state (runtime_web.js, Module.state).
// - The keyboard handler gets the character a key types, as GLUT gives it
//   on a desktop: Shift or Caps Lock give capitals. Codes are 8-bit
//   (Latin-1); keys that type no such character (arrows, function keys)
//   deliver nothing. Module.keyRules (key_rules.js) says which keys are
//   not the program's: a shortcut (Ctrl, Alt or Meta) delivers nothing,
//   and neither does a key a control of the page takes. Tab
//   reaches the program and still moves the focus. x and y are the
//   pointer's last place on the canvas, in its pixels. Keys are heard on
//   Module.keyTarget, the element that holds the window;
//   Module.typeKey(code) hands the program a key's code directly.
// - The reshape handler: the window is the canvas, sized by the page. Its
//   drawing buffer follows the canvas's displayed size in device pixels (CSS
//   size times devicePixelRatio, watched by a ResizeObserver), so the picture
//   stays sharp on any screen and in full screen; each change of size
//   reaches the reshape handler as a desktop window's resize does. The
//   main loop reshapes once first, to the size glutInitWindowSize asked, or
//   to the one Module.windowSize() gives.
// - A lost WebGL context holds the animation still; when it comes back,
//   with its state restored, the animation goes on from the same step.
// - exit() called from anywhere ends the program for good, as ending the
//   process does: the animation stops, keys no longer act, the canvas
//   keeps its last size, and the page hears the status through
//   Module.onExit. So does main's return. Module.end() ends it the same
//   way without a status, for a window that is taken away.
// - The page hears the program's steps and keys, which a desktop's GLUT has
//   no one to tell: Module.beforeStep(steps), if the page sets it, is called
//   just before each frame step with the number of steps run so far (keys
//   the page types there act before that step; false, returned, keeps the
//   step from running), and Module.onKey(code, steps) after the keyboard
//   handler has taken a key.
//
// Limits: one window; the window's title is the document's, or goes to
// Module.setTitle; its position is the page's to choose; no key-up,
// special-key, mouse or timer handler.

mergeInto(LibraryManager.library, {
  $Glut__deps: ['$WebGL'],
  $Glut: {
    displayMode: 0,
    width: 300, // the window size asked for, the canvas's until the page sizes it
    height: 150,
    displayFunc: 0,
    reshapeFunc: 0,
    keyboardFunc: 0,
    idleFunc: 0,
    running: false, // in the main loop and not ended
    steps: 0, // frame steps the program has run
    framesWaited: 0, // animation frames since the last step, for slow motion
    frameRequest: 0, // the pending animation frame, 0 when none
    pointer: [0, 0],
    sizeObserver: null,

    // Keys that type a control character under GLUT, by their DOM name.
    controlKeys: {'Backspace': 8, 'Tab': 9, 'Enter': 13, 'Escape': 27, 'Delete': 127},

    // Calls into the program, which may end there: exit() unwinds its
    // stack (see proc_exit), and what follows the call is not run. A
    // failure inside (a trap, an exception from WebGL) ends the program and
    // goes to Module.onAbort where the page sets it.
    call: function(enterProgram) {
      try {
        enterProgram();
      } catch (e) {
        if (e === 'unwind') return;
        if (!Module['onAbort']) throw e;
        if (Glut.running) Glut.stop();
        Module['onAbort'](e);
      }
    },

    // The program has ended: no more frames, keys or sizes reach it.
    stop: function() {
      Module['keyTarget'].removeEventListener('keydown', Glut.onKeydown, true);
      Module['canvas'].removeEventListener('pointermove', Glut.onPointerMove);
      if (Glut.sizeObserver) Glut.sizeObserver.disconnect();
      Glut.stopAnimation();
      Glut.running = false;
      WebGL.release();
    },

    // One frame step of the program: `func` is its idle or display handler.
    step: function(func) {
      if (Module['beforeStep'] && Module['beforeStep'](Glut.steps) === false) return;
      Glut.call(function() { {{{ makeDynCall('v', 'func') }}}(); });
      ++Glut.steps;
    },

    // Paused, the animation sleeps once the first frame is drawn: no frame
    // is asked for until Module.wake() (play, a seek) asks again.
    asleep: function() { return Glut.steps > 0 && Module['paused']; },

    tick: function() {
      Glut.frameRequest = 0;
      if (Glut.asleep()) return;
      if (++Glut.framesWaited >= (Module['framesPerStep'] || 1)) {
        Glut.framesWaited = 0;
        Glut.step(Glut.idleFunc);
      }
      if (!Glut.asleep()) Glut.startAnimation();
    },

    // Animates while the program runs with an idle handler and the context
    // is there, unless it sleeps.
    startAnimation: function() {
      if (Glut.frameRequest || !Glut.running || Module['held'] || !Glut.idleFunc || WebGL.gl.isContextLost() ||
          Glut.asleep()) {
        return;
      }
      Glut.frameRequest = requestAnimationFrame(Glut.tick);
    },

    stopAnimation: function() {
      if (Glut.frameRequest) cancelAnimationFrame(Glut.frameRequest);
      Glut.frameRequest = 0;
    },

    // The canvas's drawing buffer at `width` x `height`, told to the program.
    resize: function(width, height) {
      var canvas = Module['canvas'];
      canvas.width = width;
      canvas.height = height;
      if (Glut.reshapeFunc) {
        Glut.call(function() { {{{ makeDynCall('vii', 'Glut.reshapeFunc') }}}(width, height); });
      }
    },

    // The 8-bit code GLUT delivers for a key press, or null for none.
    typedCode: function(event) {
      if (Module['keyRules'].modified(event)) return null;
      if (Object.prototype.hasOwnProperty.call(Glut.controlKeys, event.key)) return Glut.controlKeys[event.key];
      var characters = Array.from(event.key);
      if (characters.length != 1) return null; // a named key such as ArrowUp
      var code = characters[0].codePointAt(0);
      return code < 256 ? code : null;
    },

    onKeydown: function(event) {
      if (!Glut.running || !Glut.keyboardFunc || Module['keyRules'].ownedByControl(event)) return;
      var code = Glut.typedCode(event);
      if (code === null) return;
      // Tab still moves the focus through the page, which must stay usable
      // from the keyboard.
      if (event.key != 'Tab') event.preventDefault();
      Glut.typeKey(code);
    },

    // The keyboard handler takes `code`; the page hears of it.
    typeKey: function(code) {
      Glut.call(function() { {{{ makeDynCall('viii', 'Glut.keyboardFunc') }}}(code, Glut.pointer[0], Glut.pointer[1]); });
      if (Module['onKey']) Module['onKey'](code, Glut.steps);
    },

    onPointerMove: function(event) {
      var canvas = Module['canvas'];
      Glut.pointer = [Math.floor(event.offsetX * canvas.width / (canvas.clientWidth || 1)),
                      Math.floor(event.offsetY * canvas.height / (canvas.clientHeight || 1))];
    },

    onCanvasResized: function(entries) {
      var entry = entries[entries.length - 1];
      var width, height;
      if (entry.devicePixelContentBoxSize) {
        width = entry.devicePixelContentBoxSize[0].inlineSize;
        height = entry.devicePixelContentBoxSize[0].blockSize;
      } else { // browsers that only tell CSS pixels
        width = Math.round(entry.contentRect.width * devicePixelRatio);
        height = Math.round(entry.contentRect.height * devicePixelRatio);
      }
      var canvas = Module['canvas'];
      if (!Glut.running || width < 1 || height < 1 || (width == canvas.width && height == canvas.height)) return;
      Glut.resize(width, height);
    },

    observeCanvasSize: function() {
      if (Glut.sizeObserver || typeof ResizeObserver == 'undefined') return;
      Glut.sizeObserver = new ResizeObserver(Glut.onCanvasResized);
      try {
        Glut.sizeObserver.observe(Module['canvas'], {box: 'device-pixel-content-box'});
      } catch (e) { // a browser without that box
        Glut.sizeObserver.observe(Module['canvas']);
      }
    },
  },

  glutInit: function(argcp, argv) {},

  glutInitDisplayMode__deps: ['$Glut'],
  glutInitDisplayMode: function(mode) { Glut.displayMode = mode; },

  glutInitWindowSize__deps: ['$Glut'],
  glutInitWindowSize: function(width, height) {
    Glut.width = width;
    Glut.height = height;
  },

  glutInitWindowPosition: function(x, y) {},

  // The canvas becomes the window: its size (Module.windowSize() where the
  // page sizes it from the start), its context with the buffers
  // the display mode asks for (alpha, depth, stencil), the document's title.
  glutCreateWindow__deps: ['$Glut', '$WebGL', 'proc_exit'],
  glutCreateWindow: function(title) {
    var canvas = Module['canvas'];
    // The size asked for, or the one the page gives the window from the start.
    var size = Module['windowSize'] ? Module['windowSize']() : [Glut.width, Glut.height];
    canvas.width = size[0];
    canvas.height = size[1];
    (Module['setTitle'] || function(text) { document.title = text; })(UTF8ToString(title));
    var mode = Glut.displayMode;
    var attributes = {alpha: (mode & 8) != 0, depth: (mode & 16) != 0, stencil: (mode & 32) != 0,
                      antialias: false, preserveDrawingBuffer: false};
    if (!WebGL.create(attributes, Glut.stopAnimation, Glut.startAnimation)) {
      err('firework: this browser gives the window no WebGL context');
      _proc_exit(1);
    }
    canvas.addEventListener('pointermove', Glut.onPointerMove);
    return 1;
  },

  glutDisplayFunc__deps: ['$Glut'],
  glutDisplayFunc: function(func) { Glut.displayFunc = func; },

  glutReshapeFunc__deps: ['$Glut'],
  glutReshapeFunc: function(func) { Glut.reshapeFunc = func; },

  glutKeyboardFunc__deps: ['$Glut'],
  glutKeyboardFunc: function(func) { Glut.keyboardFunc = func; },

  glutIdleFunc__deps: ['$Glut'],
  glutIdleFunc: function(func) {
    Glut.idleFunc = func;
    if (func) Glut.startAnimation();
    else Glut.stopAnimation();
  },

  // The program lives on in its handlers after main has returned: the
  // reshape to the window's size, the keys, and the frames.
  glutMainLoop__deps: ['$Glut'],
  glutMainLoop: function() {
    Glut.running = true;
    Module['stepOnce'] = function() {
      if (Glut.running && Glut.idleFunc) Glut.step(Glut.idleFunc);
    };
    Module['typeKey'] = function(code) {
      if (Glut.running && Glut.keyboardFunc) Glut.typeKey(code);
    };
    Module['wake'] = Glut.startAnimation;
    // The steps run, set where the page has restored the program's state.
    Module['setSteps'] = function(steps) { Glut.steps = steps; };
    Module['hold'] = function(held) {
      Module['held'] = held;
      if (held) Glut.stopAnimation();
      else Glut.startAnimation();
    };
    Module['end'] = function() {
      if (Glut.running) Glut.stop();
    };
    Module['keyTarget'].addEventListener('keydown', Glut.onKeydown, true);
    Glut.resize(Module['canvas'].width, Module['canvas'].height);
    Glut.observeCanvasSize();
    if (Glut.idleFunc) {
      Glut.startAnimation();
    } else if (Glut.displayFunc) {
      requestAnimationFrame(function() { if (Glut.running) Glut.step(Glut.displayFunc); });
    }
    throw 'unwind';
  },

  // The process's end, from exit() or main's return: the program stops for
  // good, the page hears its status, and the program's stack is unwound.
  proc_exit__deps: ['$Glut'],
  proc_exit: function(status) {
    Glut.stop();
    if (Module['onExit']) Module['onExit'](status);
    throw 'unwind';
  },
});
