// file_web.cpp: the browser's file system, which holds one file: the
// sprite, "particle.bmp", built into the program (page_file.h).
//
// The C library's stdio reaches files through four system calls: open,
// read, seek and close (__syscall_open and WASI's fd_read, fd_seek and
// fd_close). They are answered here, so that the program's own
// loader reads the sprite with fopen, fseek, ftell and fread as on the
// desktop, and no general file system comes with the page.
//
// Limits: read-only; one file, by its bare name; no directories, no stat.
// Any other name is missing (ENOENT); standard output and error are the
// runtime's own and never reach this file.
#include "page_file.h"

#include <wasi/api.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

// The one descriptor there is, past standard input, output and error.
constexpr int kSpriteDescriptor = 3;

bool spriteOpen = false;
std::uint64_t spriteOffset = 0;

bool isSprite(int fd) { return fd == kSpriteDescriptor && spriteOpen; }

} // namespace

extern "C" {

long __syscall_open(long path, long flags, ...) {
  const auto* name = reinterpret_cast<const char*>(path);
  if (pageFileSize < 0 || std::strcmp(name, pageFileName) != 0) {
    return -ENOENT;
  }
  if ((flags & O_ACCMODE) != O_RDONLY) {
    return -EROFS;
  }
  if (spriteOpen) {
    return -EMFILE;
  }
  spriteOpen = true;
  spriteOffset = 0;
  return kSpriteDescriptor;
}

__wasi_errno_t __wasi_fd_read(__wasi_fd_t fd, const __wasi_iovec_t* iovs, size_t iovsLength, __wasi_size_t* read) {
  if (!isSprite(static_cast<int>(fd))) {
    return __WASI_ERRNO_BADF;
  }
  *read = 0;
  for (size_t i = 0; i < iovsLength; ++i) {
    // A seek may go past the end, as lseek allows; reading there gives nothing.
    const auto size = static_cast<std::uint64_t>(pageFileSize);
    const std::uint64_t left = spriteOffset < size ? size - spriteOffset : 0;
    const std::size_t count = left < iovs[i].buf_len ? static_cast<std::size_t>(left) : iovs[i].buf_len;
    std::memcpy(iovs[i].buf, pageFileBytes + spriteOffset, count);
    spriteOffset += count;
    *read += count;
  }
  return __WASI_ERRNO_SUCCESS;
}

__wasi_errno_t __wasi_fd_seek(__wasi_fd_t fd, __wasi_filedelta_t offset, __wasi_whence_t whence,
                              __wasi_filesize_t* newOffset) {
  if (!isSprite(static_cast<int>(fd))) {
    return __WASI_ERRNO_BADF;
  }
  std::int64_t base = 0;
  if (whence == __WASI_WHENCE_CUR) {
    base = static_cast<std::int64_t>(spriteOffset);
  } else if (whence == __WASI_WHENCE_END) {
    base = pageFileSize;
  }
  if (base + offset < 0) {
    return __WASI_ERRNO_INVAL;
  }
  spriteOffset = static_cast<std::uint64_t>(base + offset);
  *newOffset = spriteOffset;
  return __WASI_ERRNO_SUCCESS;
}

__wasi_errno_t __wasi_fd_close(__wasi_fd_t fd) {
  if (!isSprite(static_cast<int>(fd))) {
    return __WASI_ERRNO_BADF;
  }
  spriteOpen = false;
  return __WASI_ERRNO_SUCCESS;
}

} // extern "C"
