// webgl.js: the WebGL calls of webgl.h, for the browser's OpenGL
// (gl_web.cpp). An Emscripten JS library, linked with emcc --js-library.
//
// Two small shader programs, one vertex buffer and one draw call a frame:
// the batch's vertices (position, colour, texture coordinate: 9 floats, 36
// bytes each) go into the buffer, which grows to the largest batch, and are
// drawn as triangles, each colour times its texel when texturing is on, as
// OpenGL's default texture environment (modulate) does. Positions go
// through the model-view matrix, then the projection, as in OpenGL's fixed
// pipeline. Each program is made when it is first drawn with: the firework
// only ever draws textured, and the first frame need not wait for the
// other's compiling.
//
// The context is the page's shared surface (Module.surface, from
// firework-player.js): one context that every firework of the page draws
// in by turns. The programs and the buffer are the context's, made once,
// and each firework keeps its own textures in it. Each call asks the
// surface for the context (use): the surface takes the window's size, and
// before a firework draws after another, its whole OpenGL state is sent
// again (webglRestoreState). At the swap the surface hands the frame to the
// window (Module.canvas), or shows it where it was drawn. Browsers allow a
// page only some 16 contexts, so a gallery of fireworks needs the sharing.
//
// The page may move its fireworks to another context (several elements,
// where an OffscreenCanvas serves them better): each makes its textures
// and sends its state there as on a restored context.
//
// A lost context: WebGL.create's caller hears of it and holds still, since
// nothing can be drawn. When the browser gives the context back, the shader
// and the buffer are made again here, the textures and the rest of the
// state by webglRestore() from what gl_web.cpp keeps, and the caller hears
// that it can go on.
//
// Limits: WebGL 1; texture unit 0.

mergeInto(LibraryManager.library, {
  $WebGL: {
    gl: null,
    textures: [], // WebGL textures by OpenGL name

    vertexShader: 'attribute vec4 position;attribute vec4 colour;attribute vec2 texCoord;' +
      'uniform mat4 modelView;uniform mat4 projection;varying vec4 vColour;varying vec2 vTexCoord;' +
      'void main(){gl_Position=projection*(modelView*position);vColour=colour;vTexCoord=texCoord;}',
    // The colour as it is, and the colour times its texel. Two programs
    // rather than one that chooses per pixel: the choice alone costs a
    // software renderer a good part of a frame.
    fragmentShaders: ['precision mediump float;varying vec4 vColour;void main(){gl_FragColor=vColour;}',
      'precision mediump float;uniform sampler2D sprite;varying vec4 vColour;varying vec2 vTexCoord;' +
      'void main(){gl_FragColor=vColour*texture2D(sprite,vTexCoord);}'],

    // The shared context, made with `attributes` if the page has none yet;
    // `onLost` and `onRestored` are called when the browser takes it and
    // gives it back. When the page moves its fireworks to another context,
    // this one's textures and state go there too. False where the browser
    // has no WebGL.
    create: function(attributes, onLost, onRestored) {
      WebGL.gl = Module['surface'].join(WebGL, attributes, onLost, function() {
        if (!WebGL.gl) return; // the firework has ended
        WebGL.textures = [];
        _webglRestore();
        onRestored();
      }, function(gl) {
        if (!WebGL.gl) return;
        var wasLost = WebGL.gl.isContextLost();
        WebGL.gl = gl;
        WebGL.textures = [];
        _webglRestore();
        if (wasLost) onRestored(); // held still on the context left behind
      });
      return !!WebGL.gl;
    },

    // The context's objects: {programs, used, bufferSize, owner}.
    objects: function() {
      return Module['surface'].objects;
    },

    // The context, ready for this firework's calls: its objects made, its
    // size the window's, and this firework's state in it.
    use: function() {
      var gl = WebGL.gl;
      var objects = WebGL.objects();
      if (!objects.made) {
        objects.made = true;
        objects.programs = [null, null]; // untextured and textured, each with its uniforms, once made
        objects.used = null; // the program in use
        objects.bufferSize = 0; // bytes the vertex buffer holds
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        [3, 4, 2].forEach(function(size, index) {
          gl.enableVertexAttribArray(index);
          gl.vertexAttribPointer(index, size, gl.FLOAT, false, 36, [0, 12, 28][index]);
        });
      }
      if (Module['surface'].use(WebGL, Module['canvas'])) _webglRestoreState();
      return gl;
    },

    makeProgram: function(fragmentShader) {
      var gl = WebGL.gl;
      var program = gl.createProgram();
      [[gl.VERTEX_SHADER, WebGL.vertexShader], [gl.FRAGMENT_SHADER, fragmentShader]].forEach(function(stage) {
        var shader = gl.createShader(stage[0]);
        gl.shaderSource(shader, stage[1]);
        gl.compileShader(shader);
        gl.attachShader(program, shader);
      });
      ['position', 'colour', 'texCoord'].forEach(function(name, index) {
        gl.bindAttribLocation(program, index, name);
      });
      gl.linkProgram(program);
      return {program: program, modelView: gl.getUniformLocation(program, 'modelView'),
              projection: gl.getUniformLocation(program, 'projection')};
    },

    // The firework has ended for good: its textures go, and so does its
    // place in the shared context.
    release: function() {
      var gl = WebGL.gl;
      if (!gl) return;
      if (!gl.isContextLost()) WebGL.textures.forEach(function(texture) { gl.deleteTexture(texture); });
      WebGL.textures = [];
      Module['surface'].leave(WebGL);
      WebGL.gl = null;
    },
  },

  webglClearColor__deps: ['$WebGL'],
  webglClearColor: function(red, green, blue, alpha) { WebGL.use().clearColor(red, green, blue, alpha); },
  webglClearDepth__deps: ['$WebGL'],
  webglClearDepth: function(depth) { WebGL.use().clearDepth(depth); },
  webglClear__deps: ['$WebGL'],
  webglClear: function(mask) { WebGL.use().clear(mask); },
  webglViewport__deps: ['$WebGL'],
  webglViewport: function(x, y, width, height) { WebGL.use().viewport(x, y, width, height); },
  webglCapability__deps: ['$WebGL'],
  webglCapability: function(capability, enabled) {
    if (enabled) WebGL.use().enable(capability);
    else WebGL.use().disable(capability);
  },
  webglBlendFunc__deps: ['$WebGL'],
  webglBlendFunc: function(source, destination) { WebGL.use().blendFunc(source, destination); },
  webglBindTexture__deps: ['$WebGL'],
  webglBindTexture: function(name) {
    var gl = WebGL.use();
    var texture = name ? WebGL.textures[name] || (WebGL.textures[name] = gl.createTexture()) : null;
    gl.bindTexture(gl.TEXTURE_2D, texture);
  },
  webglTexParameter__deps: ['$WebGL'],
  webglTexParameter: function(parameter, value) {
    WebGL.use().texParameteri(WebGL.gl.TEXTURE_2D, parameter, value);
  },
  webglTexImage2D__deps: ['$WebGL'],
  webglTexImage2D: function(level, format, width, height, pixels, size) {
    var gl = WebGL.use();
    gl.texImage2D(gl.TEXTURE_2D, level, format, width, height, 0, format, gl.UNSIGNED_BYTE,
                  HEAPU8.subarray(pixels, pixels + size));
  },
  webglDraw__deps: ['$WebGL'],
  webglDraw: function(vertices, count, modelView, projection, textured) {
    var gl = WebGL.use();
    var objects = WebGL.objects();
    // The buffer is made once at the batch's size and filled again each
    // frame. Made anew every frame, it held headless Chromium's frames up
    // for a second now and then when they came faster than it drew them.
    if (36 * count > objects.bufferSize) {
      objects.bufferSize = 36 * count;
      gl.bufferData(gl.ARRAY_BUFFER, objects.bufferSize, gl.DYNAMIC_DRAW);
    }
    gl.bufferSubData(gl.ARRAY_BUFFER, 0, HEAPU8.subarray(vertices, vertices + 36 * count));
    var program = objects.programs[textured] ||
        (objects.programs[textured] = WebGL.makeProgram(WebGL.fragmentShaders[textured]));
    if (objects.used !== program) gl.useProgram((objects.used = program).program);
    gl.uniformMatrix4fv(program.modelView, false, HEAPF32.subarray(modelView >> 2, (modelView >> 2) + 16));
    gl.uniformMatrix4fv(program.projection, false, HEAPF32.subarray(projection >> 2, (projection >> 2) + 16));
    gl.drawArrays(gl.TRIANGLES, 0, count);
  },
  webglSwap__deps: ['$WebGL'],
  webglSwap: function() {
    Module['surface'].present(WebGL, Module['canvas']);
  },
});
