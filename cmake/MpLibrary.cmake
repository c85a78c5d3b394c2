# mp_library(<name> [DEPS <targets>...] [PRIVATE <targets>...])
# One library per folder, built from every .cpp in it. DEPS are part of its interface (its headers
# include theirs); PRIVATE ones only its sources use, so their include paths and definitions stay
# inside it. A folder without sources yet is an interface library, so the layers above can
# already link against it.
function(mp_library name)
    cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()
