// sprite_texture.h: the one texture every particle is drawn with.
//
// setupSpriteTexture reads the 32 × 32 sprite from "particle.bmp" in the
// working directory (a headerless RGB pixel file, see raw_image.h) and
// uploads it as a linearly filtered 2-D texture without mipmaps. It needs a
// current OpenGL context and prints nothing.
#pragma once

#include <GL/gl.h>

#include <cstdint>

inline constexpr const char* kSpriteFileName = "particle.bmp";
inline constexpr std::int32_t kSpriteSize = 32; // pixels, both ways

// The sprite's texture name; created once at start-up, never deleted.
extern GLuint spriteTexture;

// Generates spriteTexture, then loads and uploads the sprite into it. Returns
// false, leaving the name allocated and empty, when the file cannot be loaded
// (rawImageFailure says why).
bool setupSpriteTexture();
