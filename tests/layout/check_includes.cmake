# Refuses includes that cross the layout's boundaries. System headers sit on the default include
# path, so private linking alone cannot stop a file from including them; this script reads every
# #include of the layers and of platform/'s rooms instead.
#   cmake -DSOURCE_DIR=<checkout> -P check_includes.cmake
#
# The rules:
# - widgets/, elements/, settings/, news/ and app/ (but the program entry app/main.cpp) include
#   no X11, curl, GIO, GLib, GDK or fontconfig header;
# - a room of platform/ includes a system header of that kind only when it is the room's own;
# - a room includes the headers of the rooms it builds on and no others, and nothing of the
#   layers above; the layers above reach platform/ through its face, shell/, gfx/ and sys/ (the
#   program entries may also name the X11 backend and the D-Bus services).

cmake_minimum_required(VERSION 3.20)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "layout: give -DSOURCE_DIR=<the checkout>")
endif()

# System headers that belong to rooms: a regular expression on the include, and its rooms.
set(system_kinds x11 curl gio glib gdk fontconfig pango cairo)
set(x11_match "^X11/")
set(x11_rooms display/x11)
set(curl_match "^curl/")
set(curl_rooms sys/fetch)
set(gio_match "^gio/")
set(gio_rooms dbus)
set(glib_match "^glib")
set(glib_rooms gfx sys dbus)
set(gdk_match "^gdk")
set(gdk_rooms)
set(fontconfig_match "^(fontconfig/|pango/pangofc|pango/pangoft2)")
set(fontconfig_rooms shell)
set(pango_match "^pango/")
set(pango_rooms gfx shell)
set(cairo_match "^cairo")
set(cairo_rooms gfx shell display/x11)
# Kinds the layers above never include.
set(layer_forbidden x11 curl gio glib gdk fontconfig)

# The rooms each room may include, besides its own and the face at the top of platform/.
set(face_uses)
set(sys_uses)
set(sys/fetch_uses sys)
set(gfx_uses)
set(display/headless_uses)
set(wm_uses display/headless sys)
set(dbus_uses wm sys)
set(shell_uses wm gfx sys dbus)
set(display/x11_uses wm gfx sys)
set(layer_uses shell gfx sys)
set(entry_uses shell gfx sys display/x11 dbus)
set(rooms sys sys/fetch gfx display/headless wm dbus shell display/x11)

# The room of a path under platform/ ("face" for the headers at its top), or "" for none.
function(room_of path out)
    set(room "")
    if(path MATCHES "^platform/[^/]+$")
        set(room face)
    else()
        foreach(r IN LISTS rooms)
            if(path MATCHES "^platform/${r}/[^/]+$")
                set(room ${r})
            endif()
        endforeach()
    endif()
    set(${out} "${room}" PARENT_SCOPE)
endfunction()

function(kind_of header out)
    set(kind "")
    foreach(k IN LISTS system_kinds)
        if("${kind}" STREQUAL "" AND header MATCHES "${${k}_match}")
            set(kind ${k})
        endif()
    endforeach()
    set(${out} "${kind}" PARENT_SCOPE)
endfunction()

set(problems "")
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp
     ${SOURCE_DIR}/widgets/*.h ${SOURCE_DIR}/widgets/*.cpp
     ${SOURCE_DIR}/elements/*.h ${SOURCE_DIR}/elements/*.cpp
     ${SOURCE_DIR}/settings/*.h ${SOURCE_DIR}/settings/*.cpp
     ${SOURCE_DIR}/news/*.h ${SOURCE_DIR}/news/*.cpp
     ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp)
list(SORT files)

foreach(file IN LISTS files)
    room_of(${file} room)
    set(layer "")
    if(file MATCHES "^platform/" AND "${room}" STREQUAL "")
        string(APPEND problems "  ${file} sits in no room of platform/\n")
        continue()
    elseif(NOT file MATCHES "^platform/")
        string(REGEX REPLACE "/.*" "" layer ${file})
    endif()
    set(entry FALSE)
    if(file STREQUAL "app/main.cpp" OR file STREQUAL "app/mpsend.cpp")
        set(entry TRUE)
    endif()

    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"].*" "\\1\\2" quoted
               "${line}")
        string(SUBSTRING "${quoted}" 0 1 bracket)
        string(SUBSTRING "${quoted}" 1 -1 header)

        if(bracket STREQUAL "<")
            kind_of(${header} kind)
            if("${kind}" STREQUAL "")
                continue()
            endif()
            if(layer)
                if(kind IN_LIST layer_forbidden AND NOT file STREQUAL "app/main.cpp")
                    string(APPEND problems
                           "  ${file} includes <${header}>: above platform/ only the program "
                           "entry app/main.cpp may include such a header\n")
                endif()
            elseif(NOT room IN_LIST ${kind}_rooms)
                list(JOIN ${kind}_rooms ", platform/" owners)
                if("${owners}" STREQUAL "")
                    set(owners "no room")
                else()
                    set(owners "platform/${owners}")
                endif()
                string(APPEND problems
                       "  ${file} includes <${header}>, which belongs to ${owners}, not to "
                       "platform/${room}\n")
            endif()
            continue()
        endif()

        # Project headers.
        if(header MATCHES "^platform/")
            room_of(${header} target)
            if("${target}" STREQUAL "")
                string(APPEND problems "  ${file} includes \"${header}\", which is in no room\n")
            elseif(NOT target STREQUAL "face" AND NOT target STREQUAL room)
                if(layer)
                    if(entry)
                        set(allowed ${entry_uses})
                    else()
                        set(allowed ${layer_uses})
                    endif()
                else()
                    set(allowed ${${room}_uses})
                endif()
                if(NOT target IN_LIST allowed)
                    if(layer)
                        set(who "${layer}/")
                    else()
                        set(who "platform/${room}")
                    endif()
                    string(APPEND problems
                           "  ${file} includes \"${header}\": ${who} may not use platform/${target}\n")
                endif()
            endif()
        elseif(NOT layer AND header MATCHES "^(widgets|elements|settings|news|app)/")
            string(APPEND problems
                   "  ${file} includes \"${header}\": platform/ knows nothing of the layers above\n")
        elseif(NOT layer AND header MATCHES "^resources/" AND NOT room STREQUAL "sys")
            string(APPEND problems
                   "  ${file} includes \"${header}\": only platform/sys reads the resources\n")
        endif()
    endforeach()
endforeach()

if(problems)
    string(REGEX MATCHALL "\n" breaks "${problems}")
    list(LENGTH breaks count)
    message(FATAL_ERROR "layout: ${count} include(s) cross a boundary:\n${problems}")
endif()
list(LENGTH files count)
message(STATUS "layout: the includes of ${count} files keep to their rooms")
