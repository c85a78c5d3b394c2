# Turns the resource files into one C++ source of byte arrays, so the program never reads its
# pictures, texts or font aliases from disk. Run at build time: cmake -DSRC=<dir> -DOUT=<file>
# -DNAMES=<file listing names> -P embed.cmake
file(STRINGS "${NAMES}" names)
set(body "")
set(table "")
set(index 0)
foreach(name IN LISTS names)
    file(READ "${SRC}/${name}" hex HEX)
    string(LENGTH "${hex}" hexlen)
    math(EXPR size "${hexlen} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # A trailing zero makes every text resource usable as a C string; Size leaves it out.
    string(APPEND body "static const unsigned char file${index}[] = {${bytes}0x00};\n")
    string(APPEND table "    {\"${name}\", file${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUT}.tmp"
"// Generated from resources/ at build time; do not edit.
#include \"resources/embedded.h\"

namespace resources {
${body}
const TEmbeddedFile Files[] = {
${table}    {nullptr, nullptr, 0},
};
const std::size_t FileCount = ${index};
} // namespace resources
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.tmp" "${OUT}")
file(REMOVE "${OUT}.tmp")
