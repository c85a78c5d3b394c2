# Fails when the loopback guard recorded an attempt to reach beyond loopback during the run.
if(EXISTS "${LOG}")
    file(READ "${LOG}" attempts)
    if(NOT attempts STREQUAL "")
        message(FATAL_ERROR "tests tried to reach hosts beyond loopback:\n${attempts}")
    endif()
endif()
message(STATUS "no test reached beyond loopback")
