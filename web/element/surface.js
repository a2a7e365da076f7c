// surface.js: the one WebGL context of the page's fireworks, and where
// each frame it draws is shown.

// One WebGL context for all the page's fireworks, made when the first
// element is connected, at its window's size, and given up when the last
// one leaves.
// - It is made on a canvas of the page's, which the element that draws
//   alone shows itself, over its own canvas (hidden meanwhile: the
//   browser would composite it all the same, some 3 ms a frame in
//   software): its frames need no copy.
// - When a second element comes, the context moves to an OffscreenCanvas
//   where the browser offers WebGL there, each frame then handed to its
//   element's canvas as a bitmap, without a copy; every program makes its
//   objects again there. The page's canvas shows its element's last frame
//   until that element's next one comes as a bitmap.
// - Elsewhere (WebKit) the page's canvas stays. When another element
//   comes to draw, the frame shown is copied to its element's own canvas
//   and the page's canvas leaves; while several draw, each frame is
//   copied to its element's canvas, and an element that draws two frames
//   running with none between shows the page's canvas again. The drawing
//   buffer is kept between frames (preserveDrawingBuffer), so that the
//   frame shown can be copied whenever another element comes.
export const surface = {
  canvas: null,
  gl: null,
  attributes: null, // the buffers the context was made with
  objects: {}, // the context's objects, kept by the program's layer (webgl.js)
  owner: null, // the program's layer whose OpenGL state the context holds
  shownIn: null, // the element's canvas over which the context's own shows, or null
  shownBy: null, // the program's layer whose frame it shows
  retired: null, // the page's canvas after a move: {canvas, gl, shownBy}, showing that program's last frame
  moveTried: false, // the move to an OffscreenCanvas was tried
  lastPresenter: null, // the program's layer that handed over the last frame
  users: new Map(), // each program's layer: its {lost, restored, moved}
  elements: new Set(), // the connected elements, which hear of a lost context

  // The context, made with `attributes` and a drawing buffer of `size`
  // ([width, height]) if there is none yet: the element makes it while its
  // program's WebAssembly compiles, since the browser takes a good while
  // to make one, and at its window's size, since a new size costs nearly
  // as much again. A browser that offers WebGL only on an OffscreenCanvas
  // gets it there.
  make(attributes, [width, height] = [300, 150]) {
    if (!this.gl) {
      this.attributes = attributes;
      this.canvas = document.createElement('canvas');
      [this.canvas.width, this.canvas.height] = [width, height];
      this.gl = this.canvas.getContext('webgl', {...attributes, preserveDrawingBuffer: true});
      if (!this.gl && typeof OffscreenCanvas !== 'undefined') {
        this.canvas = new OffscreenCanvas(width, height);
        this.gl = this.canvas.getContext('webgl', attributes);
      }
      if (!this.gl) return null;
      this.listen(true);
    }
    return this.gl;
  },
  listen(on) {
    const method = on ? 'addEventListener' : 'removeEventListener';
    this.canvas[method]('webglcontextlost', this.onLost);
    this.canvas[method]('webglcontextrestored', this.onRestored);
  },
  // Several elements: the context moves to an OffscreenCanvas where the
  // browser offers WebGL there, once.
  move() {
    if (this.moveTried || this.canvas.transferToImageBitmap) return;
    this.moveTried = true;
    const canvas = typeof OffscreenCanvas !== 'undefined' ? new OffscreenCanvas(this.canvas.width, this.canvas.height)
      : null;
    const gl = canvas?.getContext('webgl', this.attributes);
    if (!gl) return;
    const wasLost = this.gl.isContextLost();
    this.listen(false);
    if (this.shownIn) this.retired = {canvas: this.canvas, gl: this.gl, shownBy: this.shownBy};
    else this.gl.getExtension('WEBGL_lose_context')?.loseContext();
    Object.assign(this, {canvas, gl, objects: {}, owner: null, shownIn: null, shownBy: null, lastPresenter: null});
    this.listen(true);
    for (const {moved} of [...this.users.values()]) moved(gl);
    if (wasLost) this.tell('webglcontextrestored'); // the fireworks go on in the new one
  },
  // The page's canvas, no longer showing a frame, goes with its context.
  retire() {
    this.retired.canvas.remove();
    this.retired.gl.getExtension('WEBGL_lose_context')?.loseContext();
    this.retired = null;
  },
  // A program's place in the context, made with the buffers it asks for
  // if there is none yet; null without WebGL. `moved(gl)`: the context
  // is another from now on.
  join(user, attributes, lost, restored, moved) {
    if (this.elements.size === 0) return null; // a program whose element has left
    if (!this.make(attributes)) return null;
    this.users.set(user, {lost, restored, moved});
    return this.gl;
  },
  leave(user) {
    this.users.delete(user);
    if (this.owner === user) this.owner = null;
    if (this.lastPresenter === user) this.lastPresenter = null;
    if (this.retired?.shownBy === user) this.retire();
  },
  // The context, ready for `user` to draw its window `shown`: a frame
  // shown in another element kept there first, and the drawing buffer
  // given the window's size. True when the context held another
  // program's state, which `user` then sends again.
  use(user, shown) {
    const other = this.owner !== user;
    if (other) {
      this.keepShown();
      this.owner = user;
    }
    if (this.canvas.width !== shown.width) this.canvas.width = shown.width;
    if (this.canvas.height !== shown.height) this.canvas.height = shown.height;
    return other;
  },
  // The frame the context's canvas shows, copied to the canvas under it;
  // then the context's canvas leaves.
  keepShown() {
    if (!this.shownIn) return;
    if (!this.gl.isContextLost()) this.shownIn.getContext('2d', {alpha: false}).drawImage(this.canvas, 0, 0);
    this.canvas.remove();
    this.shownIn = this.shownBy = null;
  },
  // The frame `user` just drew, to its window `shown`; none while the
  // context is lost, before the browser has said so.
  present(user, shown) {
    if (this.gl.isContextLost()) return;
    if (this.canvas.transferToImageBitmap) {
      shown.getContext('bitmaprenderer').transferFromImageBitmap(this.canvas.transferToImageBitmap());
      if (this.retired?.shownBy === user) this.retire();
    } else if (this.shownIn !== shown) {
      if (this.lastPresenter === user || this.lastPresenter === null) { // alone: shown where it is drawn
        shown.after(this.canvas);
        this.shownIn = shown;
        this.shownBy = user;
      } else {
        shown.getContext('2d', {alpha: false}).drawImage(this.canvas, 0, 0);
      }
    }
    this.lastPresenter = user;
  },
  onLost(event) {
    event.preventDefault(); // lets the browser offer the context back
    for (const {lost} of surface.users.values()) lost();
    surface.tell('webglcontextlost');
  },
  onRestored() {
    surface.objects = {};
    surface.owner = null;
    for (const {restored} of [...surface.users.values()]) restored();
    surface.tell('webglcontextrestored');
  },
  tell(type) {
    for (const element of this.elements) element.dispatchEvent(new Event(type));
  },
  // An element came or left; with a second the context may move, with
  // the last one it goes.
  count(element, connected) {
    if (connected) this.elements.add(element);
    else this.elements.delete(element);
    if (this.elements.size > 1 && this.gl) this.move();
    if (this.elements.size > 0 || !this.gl) return;
    this.listen(false);
    if (this.shownIn) this.canvas.remove();
    if (this.retired) this.retire();
    this.gl.getExtension('WEBGL_lose_context')?.loseContext();
    Object.assign(this, {gl: null, canvas: null, objects: {}, owner: null, shownIn: null, shownBy: null,
      lastPresenter: null, moveTried: false});
  },
};
