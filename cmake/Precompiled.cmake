# The framework's headers cost more to read than most of our files: each
# target reads them once, from a precompiled header. Platform files include
# the system's own headers and keep reading everything themselves.
function(tavik_precompile target)
    cmake_parse_arguments(P "NOJUCE;GUI;TESTS" "" "" ${ARGN})
    set(headers)
    if(NOT P_NOJUCE)
        list(APPEND headers <juce_core/juce_core.h> <juce_events/juce_events.h>
             <juce_data_structures/juce_data_structures.h>)
    endif()
    if(P_GUI)
        list(APPEND headers <juce_gui_basics/juce_gui_basics.h>)
    endif()
    if(P_TESTS)
        list(APPEND headers <gtest/gtest.h>)
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
        if(source MATCHES "(Win32|Posix)\\.cpp$")
            set_source_files_properties(${source} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
        endif()
    endforeach()
endfunction()
