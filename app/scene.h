// scene.h: the window, the render state, the first burst and the projection.
#pragma once

inline constexpr int kWindowWidth = 800;  // pixels, at start
inline constexpr int kWindowHeight = 600; // pixels, at start

// Initialises GLUT with the process's arguments (GLUT takes its own options,
// such as -display, from them) and opens the firework's window: RGBA,
// double-buffered, with a depth buffer, 800 x 600 at (200, 100). Its OpenGL
// context is current on return.
void openWindow(int& argc, char** argv);

// Sets up the sprite texture, then the render state (additive blending,
// 2-D texturing with the sprite bound, no depth test), then launches the
// first burst. Needs the window's OpenGL context. Returns false, with nothing
// set and no particle launched, when the sprite cannot be loaded.
bool initialiseScene();

// GLUT reshape handler: viewport over the whole window and a 45-degree
// perspective projection, near plane 0.1, far plane 200.
void onReshape(int width, int height);
