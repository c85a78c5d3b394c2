# Turns the resource files into one C++ source of byte arrays, so the program never reads its
# pictures, texts or font aliases from disk. Run at build time: cmake -DSRC=<dir> -DOUT=<file>
# -DNAMES=<file listing names> [-DTOP=<checkout>] -P embed.cmake. A name line NAME|PATH takes
# the file at PATH under TOP and embeds it as NAME.
file(STRINGS "${NAMES}" names)
set(body "")
set(table "")
set(index 0)
foreach(line IN LISTS names)
    if(line MATCHES "^([^|]+)\\|(.+)$")
        set(name "${CMAKE_MATCH_1}")
        set(path "${TOP}/${CMAKE_MATCH_2}")
    else()
        set(name "${line}")
        set(path "${SRC}/${line}")
    endif()
    file(READ "${path}" hex HEX)
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
