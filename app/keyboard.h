// keyboard.h: the firework's keys.
//
//   w  burst upwards        s  burst with a downward pull
//   a  pull to the left     d  burst to the right, pulled back left
//   z  pull away            c  pull toward the viewer
//   r  regenerate: relaunch everything from (0, 8, 0)
//   ESC  quit with status 0
//
// Letters act in lower case only; every other key does nothing. A burst
// rewrites all 800 particles before the handler returns; the next frame
// shows it.
#pragma once

// GLUT keyboard handler; the mouse position is ignored.
void onKey(unsigned char key, int x, int y);
