# Writes a C++ source that carries the language tables byte for byte.
# cmake -DINPUT_DIR=<dir with the .ini files> -DOUTPUT=<file.cpp> -P embed_tables.cmake
set(tables English:english.ini Chinese:chinese.ini French:french.ini)
set(body "// Generated from the language tables at build time. Do not edit.\n#include <cstddef>\n\nnamespace scanvale {\n")
foreach(entry ${tables})
  string(REPLACE ":" ";" fields ${entry})
  list(GET fields 0 name)
  list(GET fields 1 file)
  file(READ ${INPUT_DIR}/${file} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # 32 bytes a line keeps the source readable for a compiler's error messages.
  string(REGEX REPLACE "((0x..,){32})" "\\1\n  " bytes "${bytes}")
  string(APPEND body "extern const unsigned char k${name}LanguageTable[];\n"
    "extern const std::size_t k${name}LanguageTableSize;\n"
    "const unsigned char k${name}LanguageTable[] = {\n  ${bytes}0x00};\n"
    "const std::size_t k${name}LanguageTableSize = ${size};\n\n")
endforeach()
string(APPEND body "}  // namespace scanvale\n")
# Rewrite only on change, so an unchanged table does not rebuild the core.
set(temporary ${OUTPUT}.tmp)
file(WRITE ${temporary} "${body}")
file(COPY_FILE ${temporary} ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${temporary})
