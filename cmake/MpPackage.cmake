# The Debian package: `cmake --build build --target package` writes
# build/minipelikora_<version>_<arch>.deb from the install rules of dist/. Its version is the
# program's own version resource, so the package, the metadata and the about view agree.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/version.txt version_line REGEX "^ProductVersion\t")
string(REGEX REPLACE "^ProductVersion\t" "" MP_PRODUCT_VERSION "${version_line}")
if(NOT MP_PRODUCT_VERSION MATCHES "^[0-9]+(\\.[0-9]+)*$")
    message(FATAL_ERROR "resources/version.txt holds no usable ProductVersion")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/resources/version.txt)

set(MP_PACKAGE_MAINTAINER "Mini Pelikora maintainers <minipelikora@marvolt.example>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

if(MP_SANITIZE OR MP_FUZZ OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    message(STATUS "The package target packs this ${CMAKE_BUILD_TYPE} build as it is; "
                   "packages for users come from a Release build")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME minipelikora)
set(CPACK_PACKAGE_VENDOR Marvolt)
set(CPACK_PACKAGE_VERSION ${MP_PRODUCT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MP_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped: no debug symbols in /usr/bin.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "breaking news headlines in a small desktop card")
# The extended description under that synopsis: an English and a Turkish paragraph. CPack
# indents each line and turns the empty one into the control file's paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Mini Pelikora shows one rounded card on the X11 desktop that lists the latest
breaking-news headlines from Turkey, each with its section and a short
summary. It refreshes them every five minutes, opens a story in the web
browser on a click, and can stay on top, shrink into its corner, show a tray
icon and start with the session. Its texts are in Turkish.

Mini Pelikora, masaüstünde Türkiye'den son dakika haber başlıklarını bölümü
ve kısa özetiyle listeleyen köşeleri yuvarlatılmış küçük bir kart gösterir.
Haberleri beş dakikada bir yeniler, tıklanan haberi web tarayıcısında açar;
en üstte kalabilir, köşesine küçülebilir, sistem tepsisinde simge gösterebilir
ve oturumla birlikte başlayabilir.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MP_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries' packages are found by dpkg-shlibdeps (dpkg-dev); the fonts the skin's
# families are mapped to (resources/fonts.conf) are not libraries, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-paratype, fonts-roboto-unhinted")
# Links open through xdg-open; without it the widget still shows the news.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
