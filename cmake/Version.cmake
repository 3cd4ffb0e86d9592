# One version number, the project's (project(VERSION) in the top-level file),
# for every program, package and Windows file property. Code reads it from the
# generated header TavikVersion.h: TAVIK_VERSION_STRING ("0.0") and
# TAVIK_VERSION_MAJOR / _MINOR / _PATCH.
set(TAVIK_VERSION ${PROJECT_VERSION})
set(TAVIK_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(TAVIK_VERSION_MINOR 0)
set(TAVIK_VERSION_PATCH 0)
if(NOT "${PROJECT_VERSION_MINOR}" STREQUAL "")
    set(TAVIK_VERSION_MINOR ${PROJECT_VERSION_MINOR})
endif()
if(NOT "${PROJECT_VERSION_PATCH}" STREQUAL "")
    set(TAVIK_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()

set(TAVIK_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${TAVIK_GENERATED_DIR}/TavikVersion.h CONTENT
"// Generated from the project's version in CMakeLists.txt; edit that instead.
#pragma once

#define TAVIK_VERSION_STRING \"@TAVIK_VERSION@\"
#define TAVIK_VERSION_MAJOR @TAVIK_VERSION_MAJOR@
#define TAVIK_VERSION_MINOR @TAVIK_VERSION_MINOR@
#define TAVIK_VERSION_PATCH @TAVIK_VERSION_PATCH@
" @ONLY)
add_library(tavik_version INTERFACE)
target_include_directories(tavik_version INTERFACE ${TAVIK_GENERATED_DIR})

# Windows file properties (Explorer's Details tab): a version resource per
# program, compiled by the toolchain's resource compiler.
if(WIN32)
    enable_language(RC)
endif()
function(tavik_version_resource target description)
    if(NOT WIN32)
        return()
    endif()
    set(TAVIK_RC_DESCRIPTION "${description}")
    set(TAVIK_RC_FILE_NAME "${target}.exe")
    set(rc ${TAVIK_GENERATED_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
