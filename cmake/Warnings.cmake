# JUCE's recommended warning flags for our own targets only; the JUCE
# modules themselves are compiled without them.
function(tavik_warnings target)
    target_link_libraries(${target} PRIVATE juce::juce_recommended_warning_flags)
    if(TAVIK_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
