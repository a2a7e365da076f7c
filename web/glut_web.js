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
// - exit() called from either handler ends the program for good, as ending
//   the process does: the animation stops, keys no longer act, and the page
//   hears the status through Module.onExit.
//
// Limits: one window, one idle and one keyboard handler; no key-up or
// special-key handler.

mergeInto(LibraryManager.library, {
  $GlutWeb__deps: ['$Browser', '$runtimeKeepalivePush', '$runtimeKeepalivePop'],
  $GlutWeb: {
    idleFunc: 0,
    keyboardFunc: 0,
    frameRequest: 0, // the pending animation frame, 0 when not animating

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
      GlutWeb.stopAnimation();
      try {
        exit(status); // runs the atexit work, then Module.onExit(status)
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
      }
    },

    tick: function() {
      GlutWeb.frameRequest = requestAnimationFrame(GlutWeb.tick);
      GlutWeb.call(function() { {{{ makeDynCall('v', 'GlutWeb.idleFunc') }}}(); });
    },

    startAnimation: function() {
      if (GlutWeb.frameRequest) return;
      // The program lives on in its animation after main has returned.
      runtimeKeepalivePush();
      GlutWeb.frameRequest = requestAnimationFrame(GlutWeb.tick);
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

    onKeydown: function(event) {
      var code = GlutWeb.typedCode(event);
      if (code === null) return;
      event.preventDefault();
      GlutWeb.call(function() {
        {{{ makeDynCall('viii', 'GlutWeb.keyboardFunc') }}}(code, Browser.mouseX | 0, Browser.mouseY | 0);
      });
    },
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
      GlutWeb.call(function() { {{{ makeDynCall('v', 'GLUT.displayFunc') }}}(); });
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
