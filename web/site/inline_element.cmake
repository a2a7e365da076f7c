# inline_element.cmake: writes the site's page with the element's script
# inside it, in place of the line that loads it, so that the firework
# starts while the page is read, with no request to wait for.
#
# usage: cmake -DPAGE=index.html -DELEMENT=firework-player.js -DOUTPUT=FILE -P inline_element.cmake
# Fails if the page has no such line, or if the script could end the
# <script> element it goes into. The page's comments, written for its
# readers, are left out: browsers have no use for them.
file(READ "${PAGE}" page)
file(READ "${ELEMENT}" element)
string(FIND "${page}" "<!--" open)
while(NOT open EQUAL -1)
  string(SUBSTRING "${page}" ${open} -1 rest)
  string(FIND "${rest}" "-->\n" close)
  if(close EQUAL -1)
    message(FATAL_ERROR "${PAGE} has a comment with no end")
  endif()
  math(EXPR end "${open} + ${close} + 4")
  string(SUBSTRING "${page}" 0 ${open} before)
  string(SUBSTRING "${page}" ${end} -1 after)
  set(page "${before}${after}")
  string(FIND "${page}" "<!--" open)
endwhile()
set(line "<script src=\"firework-player.js\"></script>")
string(FIND "${page}" "${line}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${PAGE} has no ${line} to put the element in place of")
endif()
string(TOLOWER "${element}" lower)
string(FIND "${lower}" "</script" closing)
if(NOT closing EQUAL -1)
  message(FATAL_ERROR "${ELEMENT} holds </script, which would end the page's script early")
endif()
string(REPLACE "${line}" "<script>${element}</script>" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
