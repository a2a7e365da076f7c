# freeglut.cmake: the Windows build's GLUT. freeglut 3.4.0, the release the
# Linux build uses, from Debian's source package (apt-get source, which needs
# a deb-src line in the apt sources and dpkg-dev), built once into the build
# tree with the same toolchain as a static library named glut, so that
# find_package(GLUT) finds it. Nothing else is downloaded.
set(freeglutPackage freeglut=3.4.0-1)
set(freeglutPrefix ${PROJECT_BINARY_DIR}/freeglut)
if(NOT EXISTS ${freeglutPrefix}/lib/libglut.a)
  set(work ${PROJECT_BINARY_DIR}/freeglut-build)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  message(STATUS "Building ${freeglutPackage} from Debian's source package for Windows")
  execute_process(COMMAND apt-get source -qq ${freeglutPackage} WORKING_DIRECTORY ${work}
    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
  file(GLOB source LIST_DIRECTORIES true ${work}/freeglut-3.4.0)
  if(failed OR NOT source)
    message(FATAL_ERROR "apt-get source ${freeglutPackage} failed: the Windows build needs a deb-src line for "
      "Debian 12 in the apt sources, and dpkg-dev (see docs/install.md)")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${source} -B ${work}/build -G ${CMAKE_GENERATOR}
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_INSTALL_PREFIX=${freeglutPrefix} -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON
      -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON
    RESULT_VARIABLE failed OUTPUT_FILE ${work}/configure.log ERROR_FILE ${work}/configure.log)
  if(NOT failed)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${work}/build --target install --parallel 2
      RESULT_VARIABLE failed OUTPUT_FILE ${work}/build.log ERROR_FILE ${work}/build.log)
  endif()
  if(failed)
    message(FATAL_ERROR "freeglut did not build for Windows: see ${work}/configure.log and build.log")
  endif()
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${freeglutPrefix})
