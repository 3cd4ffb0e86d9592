# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads, so
# std::thread and std::mutex work):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake
# TAVIK_WINDOWS_DEPS names the folder that holds the cross-built libpng and
# libjpeg (scripts/windows-deps.sh); it is searched before the compiler's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVIK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVIK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVIK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVIK_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${TAVIK_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TAVIK_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

set(TAVIK_WINDOWS_DEPS "" CACHE PATH "Prefix of the cross-built image libraries")
set(CMAKE_FIND_ROOT_PATH ${TAVIK_WINDOWS_DEPS} /usr/${TAVIK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Users get executables that need nothing beyond Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's JUCE package is architecture-neutral source, but its CMake folder
# lives under the build machine's library path, outside the find root.
if(NOT JUCE_DIR)
    file(GLOB TAVIK_JUCE_CONFIG_DIRS /usr/lib/*/cmake/JUCE-*)
    list(SORT TAVIK_JUCE_CONFIG_DIRS)
    list(POP_BACK TAVIK_JUCE_CONFIG_DIRS TAVIK_JUCE_CONFIG_DIR)
    set(JUCE_DIR ${TAVIK_JUCE_CONFIG_DIR} CACHE PATH "JUCE's CMake package folder")
endif()

# CTest runs the cross-built tests through Wine (scripts/test-windows.sh
# prepares its prefix and serial ports).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# Symbols are of no use on a user's machine without the debug files.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
# -O2, as the Linux programs and the distribution's own: CMake's -O3 for
# Release took the framework's largest file a third longer to compile, for
# a program that waits on a 57600-baud line. (A cache entry: CMake appends
# its own -O3 to the *_INIT flags.)
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
