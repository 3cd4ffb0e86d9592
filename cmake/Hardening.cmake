# What users run is built hardened, as the distribution builds its own
# programs: on Linux the hardening flags of Debian's dpkg-buildflags with
# every feature on (fortified string and memory functions, stack protector,
# read-only relocations bound at start-up; the compiler makes executables
# position-independent by default), on Windows the PE equivalents
# (relocatable image at a high-entropy address, no execution from data).
# Optimised build types only: fortification needs the optimiser, and a
# Debug build is for the debugger. Sanitizer and fuzz builds keep their
# instrumentation alone: the sanitizers put their own checks on the same
# functions.
if(TAVIK_SANITIZE)
    return()
endif()
set(tavik_optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)

if(WIN32)
    foreach(flag -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
        add_link_options($<${tavik_optimised}:${flag}>)
    endforeach()
    return()
endif()

# Debian 12's set, for a machine without dpkg-buildflags.
set(tavik_hardening_compile -Wdate-time -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat
                            -Werror=format-security)
set(tavik_hardening_link -Wl,-z,relro -Wl,-z,now)
find_program(TAVIK_DPKG_BUILDFLAGS dpkg-buildflags)
if(TAVIK_DPKG_BUILDFLAGS)
    # The hardening words only: optimisation and debug information stay the
    # build type's, and the source path is not rewritten.
    function(tavik_buildflags out)
        set(words)
        foreach(kind IN LISTS ARGN)
            execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                    ${TAVIK_DPKG_BUILDFLAGS} --get ${kind}
                            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
            separate_arguments(flags UNIX_COMMAND "${flags}")
            list(FILTER flags EXCLUDE REGEX "^(-O.*|-g.*|-ffile-prefix-map=.*|-fdebug-prefix-map=.*)$")
            list(APPEND words ${flags})
        endforeach()
        list(REMOVE_DUPLICATES words)
        set(${out} ${words} PARENT_SCOPE)
    endfunction()
    tavik_buildflags(tavik_hardening_compile CPPFLAGS CXXFLAGS CFLAGS)
    tavik_buildflags(tavik_hardening_link LDFLAGS)
endif()
list(JOIN tavik_hardening_compile " " shown_compile)
list(JOIN tavik_hardening_link " " shown_link)
message(STATUS "Hardening of optimised builds: ${shown_compile} ${shown_link}")
foreach(flag IN LISTS tavik_hardening_compile)
    add_compile_options($<${tavik_optimised}:${flag}>)
endforeach()
foreach(flag IN LISTS tavik_hardening_link)
    add_link_options($<${tavik_optimised}:${flag}>)
endforeach()
