# Turns text files into a C++ header of byte arrays, so that a program carries
# them without reading anything at run time:
#   cmake -DOUTPUT=<header> -DNAMESPACE=<ns> -DFILES=<name>=<file>;... -P embed_text_files.cmake
# Each <name> becomes `inline constexpr char <name>[]`, the file's bytes with a
# NUL after them, and `<name>Size`, their number. Carriage returns are dropped,
# so that a checkout with CR LF line ends gives the same bytes. CMake alone
# does the work: no other tool is needed, also in a cross build.
cmake_minimum_required(VERSION 3.25)
set(text "// Generated from ${FILES} by cmake/embed_text_files.cmake: do not edit.\n#pragma once\n\n#include <cstddef>\n\nnamespace ${NAMESPACE} {\n")
foreach(entry IN LISTS FILES)
  string(FIND "${entry}" "=" separator)
  string(SUBSTRING "${entry}" 0 ${separator} name)
  math(EXPR from "${separator} + 1")
  string(SUBSTRING "${entry}" ${from} -1 file)
  file(READ "${file}" bytes HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
  string(REPLACE "'\\x0d'," "" bytes "${bytes}")
  string(LENGTH "${bytes}" digits)
  math(EXPR size "${digits} / 7")
  # Sixteen bytes to a line.
  string(REPEAT "'\\\\x[0-9a-f][0-9a-f]'," 16 sixteen)
  string(REGEX REPLACE "(${sixteen})" "\\1\n    " bytes "${bytes}")
  string(APPEND text "\ninline constexpr char ${name}[] = {\n    ${bytes}'\\0'};\n"
                     "inline constexpr std::size_t ${name}Size = ${size};\n")
endforeach()
string(APPEND text "\n}  // namespace ${NAMESPACE}\n")
# Written only when changed, so that a build does not recompile for nothing.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${text}" @ONLY)
