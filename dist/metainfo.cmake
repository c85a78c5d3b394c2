# Writes the AppStream metadata from its template: cmake -DIN=<template> -DOUT=<file>
# [-DSCREENSHOTS=<web folder>] -P metainfo.cmake. AppStream takes only web addresses for
# screenshots, so without a folder where docs/*.png are published the metadata lists none
# rather than a made-up address.
cmake_minimum_required(VERSION 3.20)
set(MP_METAINFO_SCREENSHOTS "")
if(SCREENSHOTS)
    if(NOT SCREENSHOTS MATCHES "^https?://[^/ ]+")
        message(FATAL_ERROR "the screenshots' folder must be an http(s) address: ${SCREENSHOTS}")
    endif()
    string(REGEX REPLACE "/+$" "" base "${SCREENSHOTS}")
    set(shots "  <screenshots>\n")
    foreach(shot "widget|default|The news card with the latest headlines|Son dakika başlıklarıyla haber kartı"
                 "about||The about view|Hakkında görünümü"
                 "options||The options view|Seçenekler görünümü"
                 "widget@2x||The news card on a desktop scaled to 200 %|%200 ölçekli masaüstünde haber kartı")
        string(REPLACE "|" ";" shot "${shot}")
        list(GET shot 0 file)
        list(GET shot 1 type)
        list(GET shot 2 caption)
        list(GET shot 3 caption_tr)
        if(type)
            string(APPEND shots "    <screenshot type=\"${type}\">\n")
        else()
            string(APPEND shots "    <screenshot>\n")
        endif()
        string(APPEND shots "      <caption>${caption}</caption>\n"
                            "      <caption xml:lang=\"tr\">${caption_tr}</caption>\n"
                            "      <image>${base}/${file}.png</image>\n"
                            "    </screenshot>\n")
    endforeach()
    string(APPEND shots "  </screenshots>\n")
    set(MP_METAINFO_SCREENSHOTS "${shots}")
endif()
configure_file(${IN} ${OUT} @ONLY)
