# Writes a C++ source that holds the bytes of a file as a constant array.
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P embed_bytes.cmake
# Defines `extern const unsigned char <SYMBOL>Bytes[]` and `extern const size_t <SYMBOL>Size`.
# The array always has one extra zero byte, so an empty input still compiles.
if(NOT DEFINED INPUT OR NOT DEFINED OUTPUT OR NOT DEFINED SYMBOL)
  message(FATAL_ERROR "embed_bytes.cmake needs INPUT, OUTPUT and SYMBOL")
endif()
if(NOT EXISTS "${INPUT}")
  message(FATAL_ERROR "embed_bytes.cmake: ${INPUT} does not exist")
endif()
file(SIZE "${INPUT}" size)
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Break the initializer into lines of 16 bytes (80 characters) to keep the file readable.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by embed_bytes.cmake; do not edit.\n"
  "#include <cstddef>\n"
  "extern const unsigned char ${SYMBOL}Bytes[];\n"
  "extern const size_t ${SYMBOL}Size;\n"
  "const unsigned char ${SYMBOL}Bytes[] = {\n  ${bytes}0x00};\n"
  "const size_t ${SYMBOL}Size = ${size};\n")
# Only touch the output when it changed, so that an unchanged resource recompiles nothing.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
file(REMOVE "${OUTPUT}.tmp")
