# Checks that the committed sprite is exactly what make_sprite writes.
# cmake -DMAKE_SPRITE=... -DCOMMITTED=... -DOUTPUT=... -P sprite_file_matches.cmake
execute_process(COMMAND ${MAKE_SPRITE} ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_sprite failed with status ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${COMMITTED} is not what make_sprite writes; remake it with: "
                      "cmake --build build --target particle_bmp")
endif()
