# The web preset's toolchain: Debian's Emscripten (apt-get install emscripten).
# Without it the build holds a single test that says so, which skips, or
# fails in CI, where every browser test must run.
set(emscriptenToolchain /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
if(EXISTS ${emscriptenToolchain})
  include(${emscriptenToolchain})
  # The page's build (MinSizeRel) optimises for size: firework-player.js, with its
  # WebAssembly inside, is all a visitor waits for.
  set(CMAKE_CXX_FLAGS_MINSIZEREL_INIT "-Oz -DNDEBUG")
else()
  set(FIREWORK_WITHOUT_EMSCRIPTEN ON)
endif()
