# embed_file.cmake: writes the C++ source that builds a file into a page's
# program, for file_web.cpp to serve under the name the program opens.
#
# usage: cmake -DINPUT=FILE -DNAME=particle.bmp -DOUTPUT=page_file.cpp -P embed_file.cmake
# An empty INPUT builds a page without the file.
if(INPUT)
  file(READ ${INPUT} hex HEX)
  file(SIZE ${INPUT} size)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n  " bytes "${bytes}")
else()
  set(size -1)
  set(bytes 0)
endif()
file(WRITE ${OUTPUT} "// Made by embed_file.cmake from ${INPUT}.
#include \"page_file.h\"

extern \"C\" {
const char pageFileName[] = \"${NAME}\";
const std::uint8_t pageFileBytes[] = {
  ${bytes}};
const long pageFileSize = ${size};
}
")
