// scene.h: the render state, the first burst and the projection.
#pragma once

// Sets up the sprite texture, then the render state (additive blending,
// 2-D texturing with the sprite bound, no depth test), then launches the
// first burst. Needs the window's OpenGL context. Returns false, with nothing
// set and no particle launched, when the sprite cannot be loaded.
bool initialiseScene();

// GLUT reshape handler: viewport over the whole window and a 45-degree
// perspective projection, near plane 0.1, far plane 200.
void onReshape(int width, int height);
