# cmake -DINPUT=FILE -DOUTPUT=HEADER -DNAME=IDENTIFIER -P embed_text.cmake
# Writes HEADER, which defines the string IDENTIFIER holding FILE's bytes,
# so that a program carries the file inside itself. Every byte is written as
# a \x escape, so none can end an escape early or close the string.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
set(lines "")
# 32 bytes (64 hex digits) a line.
foreach(at RANGE 0 ${length} 64)
  string(SUBSTRING "${hex}" ${at} 64 chunk)
  if(chunk STREQUAL "")
    break()
  endif()
  string(REGEX REPLACE "(..)" "\\\\x\\1" chunk "${chunk}")
  string(APPEND lines "\n    \"${chunk}\"")
endforeach()
get_filename_component(source "${INPUT}" NAME)
file(WRITE "${OUTPUT}"
  "// Made by the build from ${source}; changes go there.\n"
  "#pragma once\n"
  "inline constexpr const char* ${NAME} =${lines};\n")
