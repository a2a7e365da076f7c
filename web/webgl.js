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
// A lost context: WebGL.create's caller hears of it and holds still, since
// nothing can be drawn. When the browser gives the context back, the shader
// and the buffer are made again here, the textures and the rest of the
// state by webglRestore() from what gl_web.cpp keeps, and the caller hears
// that it can go on.
//
// Limits: one context, WebGL 1; texture unit 0.

mergeInto(LibraryManager.library, {
  $WebGL: {
    gl: null,
    programs: [null, null], // untextured and textured, each with its uniforms, once made
    used: null, // the program in use
    textures: [], // WebGL textures by OpenGL name
    bufferSize: 0, // bytes the vertex buffer holds

    vertexShader: 'attribute vec4 position;attribute vec4 colour;attribute vec2 texCoord;' +
      'uniform mat4 modelView;uniform mat4 projection;varying vec4 vColour;varying vec2 vTexCoord;' +
      'void main(){gl_Position=projection*(modelView*position);vColour=colour;vTexCoord=texCoord;}',
    // The colour as it is, and the colour times its texel. Two programs
    // rather than one that chooses per pixel: the choice alone costs a
    // software renderer a good part of a frame.
    fragmentShaders: ['precision mediump float;varying vec4 vColour;void main(){gl_FragColor=vColour;}',
      'precision mediump float;uniform sampler2D sprite;varying vec4 vColour;varying vec2 vTexCoord;' +
      'void main(){gl_FragColor=vColour*texture2D(sprite,vTexCoord);}'],

    // The context of `canvas`, with `attributes`; `onLost` and `onRestored`
    // are called when the browser takes it and gives it back. False where
    // the browser has no WebGL.
    create: function(canvas, attributes, onLost, onRestored) {
      WebGL.gl = canvas.getContext('webgl', attributes);
      if (!WebGL.gl) return false;
      WebGL.makeObjects();
      canvas.addEventListener('webglcontextlost', function(event) {
        event.preventDefault(); // lets the browser offer the context back
        onLost();
      });
      canvas.addEventListener('webglcontextrestored', function() {
        WebGL.textures = [];
        WebGL.makeObjects();
        _webglRestore();
        onRestored();
      });
      return true;
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

    makeObjects: function() {
      var gl = WebGL.gl;
      WebGL.programs = [null, null];
      WebGL.used = null;
      gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
      WebGL.bufferSize = 0;
      [3, 4, 2].forEach(function(size, index) {
        gl.enableVertexAttribArray(index);
        gl.vertexAttribPointer(index, size, gl.FLOAT, false, 36, [0, 12, 28][index]);
      });
    },
  },

  webglClearColor__deps: ['$WebGL'],
  webglClearColor: function(red, green, blue, alpha) { WebGL.gl.clearColor(red, green, blue, alpha); },
  webglClearDepth__deps: ['$WebGL'],
  webglClearDepth: function(depth) { WebGL.gl.clearDepth(depth); },
  webglClear__deps: ['$WebGL'],
  webglClear: function(mask) { WebGL.gl.clear(mask); },
  webglViewport__deps: ['$WebGL'],
  webglViewport: function(x, y, width, height) { WebGL.gl.viewport(x, y, width, height); },
  webglCapability__deps: ['$WebGL'],
  webglCapability: function(capability, enabled) {
    if (enabled) WebGL.gl.enable(capability);
    else WebGL.gl.disable(capability);
  },
  webglBlendFunc__deps: ['$WebGL'],
  webglBlendFunc: function(source, destination) { WebGL.gl.blendFunc(source, destination); },
  webglBindTexture__deps: ['$WebGL'],
  webglBindTexture: function(name) {
    var gl = WebGL.gl;
    var texture = name ? WebGL.textures[name] || (WebGL.textures[name] = gl.createTexture()) : null;
    gl.bindTexture(gl.TEXTURE_2D, texture);
  },
  webglTexParameter__deps: ['$WebGL'],
  webglTexParameter: function(parameter, value) {
    WebGL.gl.texParameteri(WebGL.gl.TEXTURE_2D, parameter, value);
  },
  webglTexImage2D__deps: ['$WebGL'],
  webglTexImage2D: function(level, format, width, height, pixels, size) {
    var gl = WebGL.gl;
    gl.texImage2D(gl.TEXTURE_2D, level, format, width, height, 0, format, gl.UNSIGNED_BYTE,
                  HEAPU8.subarray(pixels, pixels + size));
  },
  webglDraw__deps: ['$WebGL'],
  webglDraw: function(vertices, count, modelView, projection, textured) {
    var gl = WebGL.gl;
    // The buffer is made once at the batch's size and filled again each
    // frame. Made anew every frame, it held headless Chromium's frames up
    // for a second now and then when they came faster than it drew them.
    if (36 * count > WebGL.bufferSize) {
      WebGL.bufferSize = 36 * count;
      gl.bufferData(gl.ARRAY_BUFFER, WebGL.bufferSize, gl.DYNAMIC_DRAW);
    }
    gl.bufferSubData(gl.ARRAY_BUFFER, 0, HEAPU8.subarray(vertices, vertices + 36 * count));
    var program = WebGL.programs[textured] ||
        (WebGL.programs[textured] = WebGL.makeProgram(WebGL.fragmentShaders[textured]));
    if (WebGL.used !== program) gl.useProgram((WebGL.used = program).program);
    gl.uniformMatrix4fv(program.modelView, false, HEAPF32.subarray(modelView >> 2, (modelView >> 2) + 16));
    gl.uniformMatrix4fv(program.projection, false, HEAPF32.subarray(projection >> 2, (projection >> 2) + 16));
    gl.drawArrays(gl.TRIANGLES, 0, count);
  },
});
