# The JUCE modules are compiled once, into one static library that every
# target links; the interface properties carry JUCE's include paths and
# configuration flags to the code that uses it.
find_package(JUCE 7.0.5 CONFIG REQUIRED) # the package only accepts its exact version

add_library(tavik_juce STATIC)
target_link_libraries(tavik_juce
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
    PUBLIC
        juce::juce_recommended_config_flags)

# Debian's JUCE decodes images with the system's libpng and libjpeg.
if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(TAVIK_IMAGE_LIBS REQUIRED IMPORTED_TARGET libpng libjpeg)
    target_link_libraries(tavik_juce PUBLIC PkgConfig::TAVIK_IMAGE_LIBS)
else()
    # Static MinGW builds of them (scripts/windows-deps.sh) and of zlib.
    find_path(TAVIK_PNG_INCLUDE_DIR png.h REQUIRED)
    find_path(TAVIK_JPEG_INCLUDE_DIR jpegint.h REQUIRED)
    find_library(TAVIK_PNG_LIBRARY NAMES libpng16.a REQUIRED)
    find_library(TAVIK_JPEG_LIBRARY NAMES libjpeg.a REQUIRED)
    find_library(TAVIK_ZLIB_LIBRARY NAMES libz.a REQUIRED)
    target_include_directories(tavik_juce SYSTEM PRIVATE ${TAVIK_PNG_INCLUDE_DIR} ${TAVIK_JPEG_INCLUDE_DIR})
    target_link_libraries(tavik_juce PUBLIC ${TAVIK_PNG_LIBRARY} ${TAVIK_JPEG_LIBRARY} ${TAVIK_ZLIB_LIBRARY})
endif()

target_compile_definitions(tavik_juce
    PUBLIC
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_STANDALONE_APPLICATION=1
    INTERFACE
        $<TARGET_PROPERTY:tavik_juce,COMPILE_DEFINITIONS>)
# SYSTEM: JUCE's own headers must not trip our warning flags.
target_include_directories(tavik_juce SYSTEM
    INTERFACE $<TARGET_PROPERTY:tavik_juce,INCLUDE_DIRECTORIES>)
