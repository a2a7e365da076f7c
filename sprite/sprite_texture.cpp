#include "sprite_texture.h"

#include "raw_image.h"

GLuint spriteTexture = 0;

bool setupSpriteTexture() {
  // The name is generated before the file is read, so it exists either way.
  glGenTextures(1, &spriteTexture);

  RawImage image; // its pixel buffer is released when this function returns
  if (!loadRawImage(kSpriteFileName, kSpriteSize, kSpriteSize, image)) {
    return false;
  }

  glBindTexture(GL_TEXTURE_2D, spriteTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  // Internal format 3: three colour components. The file's first row is
  // the texture's bottom row (t = 0), which is also the order glTexImage2D
  // reads rows in, so the bytes go up unchanged.
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.get());
  return true;
}
