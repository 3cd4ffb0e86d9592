# Install rules and packages: a Debian package through CPack on Linux
# (cpack -G DEB in the build folder), the NSIS setup program on Windows
# (target windows-setup). The programs are picked up at the end of the
# top-level file, so a target defined in any folder, in any order (tavikctl
# when it is built), is included.
include(GNUInstallDirs)

set(TAVIK_PACKAGE_NAME tavik)
set(TAVIK_MAINTAINER "Tavik maintainers <tavik@orveth.example>")
set(TAVIK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${TAVIK_PACKAGE_NAME})

function(tavik_package_rules)
    set(programs tavikcontrol)
    foreach(optional tavik-sim tavikctl)
        if(TARGET ${optional})
            list(APPEND programs ${optional})
        endif()
    endforeach()
    if(TARGET tavikctl)
        tavik_version_resource(tavikctl "Tavik command-line control")
    endif()

    if(WIN32)
        tavik_windows_setup()
        return()
    endif()
    # Olvane stays out: it installs Windows drivers.
    install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL tavik_package_rules)

# Windows: makensis (Debian's nsis) writes TavikSetup-<version>.exe into the
# build folder from the built programs.
function(tavik_windows_setup)
    find_program(TAVIK_MAKENSIS makensis)
    if(NOT TAVIK_MAKENSIS)
        return()
    endif()
    set(setup ${PROJECT_BINARY_DIR}/TavikSetup-${TAVIK_VERSION}.exe)
    set(defines -DVERSION=${TAVIK_VERSION}
        -DVERSION_QUAD=${TAVIK_VERSION_MAJOR}.${TAVIK_VERSION_MINOR}.${TAVIK_VERSION_PATCH}.0
        -DOUTFILE=${setup} -DLICENSE_FILE=${PROJECT_SOURCE_DIR}/LICENSE
        -DTAVIKCONTROL_EXE=$<TARGET_FILE:tavikcontrol> -DOLVANE_EXE=$<TARGET_FILE:Olvane>)
    set(depends tavikcontrol Olvane)
    if(TARGET tavikctl)
        list(APPEND defines -DTAVIKCTL_EXE=$<TARGET_FILE:tavikctl>)
        list(APPEND depends tavikctl)
    endif()
    set(script ${PROJECT_SOURCE_DIR}/packaging/windows/Tavik.nsi)
    add_custom_command(OUTPUT ${setup}
        COMMAND ${TAVIK_MAKENSIS} -V2 -WX -NOCD ${defines} ${script}
        DEPENDS ${depends} ${script} ${PROJECT_SOURCE_DIR}/LICENSE
        COMMENT "Writing TavikSetup-${TAVIK_VERSION}.exe"
        VERBATIM)
    add_custom_target(windows-setup DEPENDS ${setup})
endfunction()

if(WIN32)
    return()
endif()

# Linux: the desktop entry, its icon, the documentation.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/tavikcontrol.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The logo on the panels' colour, square as icon themes want it
# (convert -size 256x256 xc:'#006d87' \( app/resources/logo.png -resize 236x \)
#  -gravity center -composite -strip PNG32:packaging/linux/tavikcontrol.png).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/tavikcontrol.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/README.Debian ${PROJECT_SOURCE_DIR}/packaging/linux/copyright
        DESTINATION ${TAVIK_DOC_DIR})

# Manual pages and the package's own change log, compressed as Debian policy
# asks (gzip -9n: no name or time in the header, so rebuilds are identical).
find_program(TAVIK_GZIP gzip REQUIRED)
function(tavik_install_gzipped file destination)
    get_filename_component(name ${file} NAME)
    set(copy ${PROJECT_BINARY_DIR}/packaging/${name})
    configure_file(${file} ${copy} @ONLY)
    execute_process(COMMAND ${TAVIK_GZIP} -9nf ${copy} COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()
foreach(page tavikcontrol.1 tavik-sim.1 tavikctl.1)
    tavik_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/linux/${page} ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
string(TIMESTAMP TAVIK_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/changelog.in ${PROJECT_BINARY_DIR}/packaging/in/changelog @ONLY)
tavik_install_gzipped(${PROJECT_BINARY_DIR}/packaging/in/changelog ${TAVIK_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TAVIK_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${TAVIK_VERSION})
set(CPACK_PACKAGE_VENDOR Orveth)
set(CPACK_PACKAGE_CONTACT ${TAVIK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for the Tavik loudspeaker processor")
# CPack puts the summary in front as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "tavikcontrol edits the inputs, outputs, routing and mutes of a Tavik
processor (3 inputs, 6 outputs) over its 57600-baud serial line, saves and
loads presets and uploads firmware. tavikctl does the same from the command
line, for scripts and many units, and imports measured room EQ. tavik-sim
simulates the processor on a pseudo-terminal, for trying the programs without
the hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tavik_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# What the binaries link, found by dpkg-shlibdeps; JUCE opens the X11
# libraries itself at run time, where dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libx11-6, libxext6, libxcursor1, libxinerama1, libxrandr2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
