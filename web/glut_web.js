// glut_web.js: the GLUT behaviour the firework expects, where the browser's
// GLUT (Emscripten's) does otherwise. An Emscripten JS library, linked with
// emcc --js-library; its functions take the place of the library's own.
//
// - glutIdleFunc: the idle handler runs once per animation frame
//   (requestAnimationFrame) instead of from a 4 ms timer, so every step of
//   the simulation is shown and none is wasted.
// - glutPostRedisplay: while the idle handler animates, the next animation
//   frame redraws anyway, so a redisplay adds no second step to it.
// - glutKeyboardFunc: a key delivers the character it types, as GLUT does
//   on a desktop: Shift or Caps Lock give capitals, a key typed with Ctrl,
//   Alt or Meta delivers nothing. Codes are 8-bit (Latin-1); keys that type
//   no such character (arrows, function keys) deliver nothing.
//   Enter and Space pressed on a focused button or link of the page are
//   that control's, as the page expects; they reach the program otherwise.
//   Tab reaches the program and still moves the focus.
// - glutReshapeFunc: the window is the canvas, sized by the page. Its
//   drawing buffer follows the canvas's displayed size in device pixels (CSS
//   size times devicePixelRatio, watched by a ResizeObserver), so the picture
//   stays sharp on any screen and in full screen; each change of size
//   reaches the reshape handler as a desktop window's resize does.
// - A lost WebGL context stops the animation: the program's GL calls would
//   act on nothing, and its texture and the emulation's buffers are gone
//   with the context, so only a new start (the page reloads) draws again.
// - exit() called from either handler ends the program for good, as ending
//   the process does: the animation stops, keys no longer act, the canvas
//   keeps its last size, and the page hears the status through
//   Module.onExit.
// - The page hears the program's steps and keys, which a desktop's GLUT has
//   no one to tell: Module.beforeStep(steps), if the page sets it, is called
//   just before each frame step with the number of steps run so far (keys
//   the page types there act before that step), and Module.onKey(code,
//   steps) after the keyboard handler has taken a key.
//
// Limits: one window, one idle, one keyboard and one reshape handler; no
// key-up or special-key handler.

mergeInto(LibraryManager.library, {
  $GlutWeb__deps: ['$Browser', '$runtimeKeepalivePush', '$runtimeKeepalivePop'],
  $GlutWeb: {
    idleFunc: 0,
    keyboardFunc: 0,
    steps: 0, // frame steps the program has run, by the idle or the display handler
    frameRequest: 0, // the pending animation frame, 0 when not animating
    sizeObserver: null, // watches the canvas's displayed size once reshape is handled

    // Keys that type a control character under GLUT, by their DOM name.
    controlKeys: {'Backspace': 8, 'Tab': 9, 'Enter': 13, 'Escape': 27, 'Delete': 127},

    // Calls into the program. An exit() there throws ExitStatus, but while
    // the animation keeps the runtime alive the exit stops half way; it is
    // finished here.
    call: function(enterProgram) {
      try {
        enterProgram();
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
        GlutWeb.end(e.status);
      }
    },

    end: function(status) {
      window.removeEventListener('keydown', GlutWeb.onKeydown, true);
      Module['canvas'].removeEventListener('webglcontextlost', GlutWeb.onContextLost);
      if (GlutWeb.sizeObserver) GlutWeb.sizeObserver.disconnect();
      GlutWeb.stopAnimation();
      try {
        exit(status); // runs the atexit work, then Module.onExit(status)
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
      }
    },

    tick: function() {
      GlutWeb.frameRequest = requestAnimationFrame(GlutWeb.tick);
      GlutWeb.step(GlutWeb.idleFunc);
    },

    // One frame step of the program: `func` is its idle or display handler.
    step: function(func) {
      if (Module['beforeStep']) Module['beforeStep'](GlutWeb.steps);
      GlutWeb.call(function() { {{{ makeDynCall('v', 'func') }}}(); });
      ++GlutWeb.steps;
    },

    startAnimation: function() {
      if (GlutWeb.frameRequest) return;
      // The program lives on in its animation after main has returned.
      runtimeKeepalivePush();
      GlutWeb.frameRequest = requestAnimationFrame(GlutWeb.tick);
      Module['canvas'].addEventListener('webglcontextlost', GlutWeb.onContextLost);
    },

    stopAnimation: function() {
      if (!GlutWeb.frameRequest) return;
      cancelAnimationFrame(GlutWeb.frameRequest);
      GlutWeb.frameRequest = 0;
      runtimeKeepalivePop();
    },

    // The 8-bit code GLUT delivers for a key press, or null for none.
    typedCode: function(event) {
      if (event.ctrlKey || event.altKey || event.metaKey) return null;
      if (Object.prototype.hasOwnProperty.call(GlutWeb.controlKeys, event.key)) {
        return GlutWeb.controlKeys[event.key];
      }
      var characters = Array.from(event.key);
      if (characters.length != 1) return null; // a named key such as ArrowUp
      var code = characters[0].codePointAt(0);
      return code < 256 ? code : null;
    },

    // Enter or Space on a focused button or link: the control's own keys.
    pressesControl: function(event) {
      return (event.key == 'Enter' || event.key == ' ') && event.target instanceof Element &&
             event.target.closest('button, a[href]') !== null;
    },

    onKeydown: function(event) {
      if (GlutWeb.pressesControl(event)) return;
      var code = GlutWeb.typedCode(event);
      if (code === null) return;
      // Tab still moves the focus through the page, which must stay usable
      // from the keyboard.
      if (event.key != 'Tab') event.preventDefault();
      GlutWeb.call(function() {
        {{{ makeDynCall('viii', 'GlutWeb.keyboardFunc') }}}(code, Browser.mouseX | 0, Browser.mouseY | 0);
      });
      if (Module['onKey']) Module['onKey'](code, GlutWeb.steps);
    },

    // The drawing buffer at the canvas's displayed size in device pixels; a
    // change of size calls the reshape handler through GLUT's resize listener.
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
      if (width < 1 || height < 1 || (width == canvas.width && height == canvas.height)) return;
      GlutWeb.call(function() { Browser.setCanvasSize(width, height); });
    },

    observeCanvasSize: function() {
      if (GlutWeb.sizeObserver || typeof ResizeObserver == 'undefined') return;
      GlutWeb.sizeObserver = new ResizeObserver(GlutWeb.onCanvasResized);
      try {
        GlutWeb.sizeObserver.observe(Module['canvas'], {box: 'device-pixel-content-box'});
      } catch (e) { // a browser without that box
        GlutWeb.sizeObserver.observe(Module['canvas']);
      }
    },

    onContextLost: function(event) {
      event.preventDefault(); // lets the browser offer the context back
      GlutWeb.stopAnimation();
    },
  },

  glutReshapeFunc__deps: ['$GlutWeb', '$GLUT'],
  glutReshapeFunc: function(func) {
    GLUT.reshapeFunc = func;
    if (func) GlutWeb.observeCanvasSize();
  },

  glutIdleFunc__deps: ['$GlutWeb'],
  glutIdleFunc: function(func) {
    GlutWeb.idleFunc = func;
    if (func) {
      GlutWeb.startAnimation();
    } else {
      GlutWeb.stopAnimation();
    }
  },

  glutPostRedisplay__deps: ['$GlutWeb', '$GLUT'],
  glutPostRedisplay: function() {
    if (GlutWeb.frameRequest || !GLUT.displayFunc || GLUT.requestedAnimationFrame) return;
    GLUT.requestedAnimationFrame = true;
    requestAnimationFrame(function() {
      GLUT.requestedAnimationFrame = false;
      GlutWeb.step(GLUT.displayFunc);
    });
  },

  glutKeyboardFunc__deps: ['$GlutWeb'],
  glutKeyboardFunc: function(func) {
    GlutWeb.keyboardFunc = func;
    if (func) {
      window.addEventListener('keydown', GlutWeb.onKeydown, true);
    } else {
      window.removeEventListener('keydown', GlutWeb.onKeydown, true);
    }
  },
});
