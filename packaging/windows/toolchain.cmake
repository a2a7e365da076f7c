# The windows preset's toolchain: Debian's MinGW-w64 cross compiler for
# 64-bit Windows, with POSIX threads (apt-get install
# g++-mingw-w64-x86-64-posix). freeglut is built with it too (freeglut.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One file to run: libstdc++, libgcc and winpthreads go into each program,
# which then needs no DLL that Windows does not come with.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
