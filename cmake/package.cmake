# The installed program folder, laid out as in the build tree: the executables, temp/ with
# temp/con files/ (the three behaviour templates), Network/ and bf1942/levels/, and the
# licence. On Windows `cpack -G ZIP` (or `cpack --preset windows`) packs it into a zip, the
# window with Qt's German texts in translations/ and its font in fonts/ beside it. On Linux `cpack` (or `cpack --preset release`) packs
# it into a tar.gz, and into a .deb that installs it under /opt/tessarine with launchers that
# give each user a copy of it (packaging/linux/).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(TESS_INSTALLED_PROGRAMS tessarine-cli rfaPack rfaunpack)
if(TARGET tessarine)
    list(APPEND TESS_INSTALLED_PROGRAMS tessarine)
endif()
install(TARGETS ${TESS_INSTALLED_PROGRAMS} RUNTIME DESTINATION . COMPONENT program)
file(GLOB TESS_INSTALLED_TEMPLATES "${CMAKE_SOURCE_DIR}/src/resources/con files/*.con")
install(FILES ${TESS_INSTALLED_TEMPLATES} DESTINATION "temp/con files" COMPONENT program)
install(DIRECTORY DESTINATION Network COMPONENT program)
install(DIRECTORY DESTINATION bf1942/levels COMPONENT program)
install(FILES "${CMAKE_SOURCE_DIR}/LICENSE" DESTINATION . COMPONENT program)

set(CPACK_PACKAGE_NAME Tessarine)
set(CPACK_PACKAGE_VENDOR Tessarine)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "computer-controlled players for Battlefield 1942 maps")

if(WIN32)
    if(TARGET tessarine AND TESS_QT_TRANSLATION)
        install(FILES "${TESS_QT_TRANSLATION}" DESTINATION translations COMPONENT program)
        install(FILES ${TESS_WINDOW_FONTS} DESTINATION fonts COMPONENT program)
        install(FILES "${TESS_WINDOW_FONTS_LICENCE}" DESTINATION fonts
                RENAME LICENCE-Liberation.txt COMPONENT program)
    endif()
    set(CPACK_STRIP_FILES ON)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "Tessarine-${PROJECT_VERSION}-windows-x64")
    include(CPack)
elseif(UNIX AND NOT APPLE)
    # The .deb's own files, outside the program folder, in a component that only cpack
    # installs: one launcher per program in /usr/bin, the desktop entry, the icon and the
    # copyright note where Debian expects them.
    set(TESS_DEB_PROGRAM_DIR /opt/tessarine)
    set(TESS_LAUNCHED_PROGRAMS tessarine-cli)
    if(TARGET tessarine)
        list(APPEND TESS_LAUNCHED_PROGRAMS tessarine)
        install(FILES "${CMAKE_SOURCE_DIR}/packaging/linux/tessarine.desktop"
                DESTINATION share/applications COMPONENT desktop EXCLUDE_FROM_ALL)
        install(FILES "${CMAKE_SOURCE_DIR}/src/resources/pictures/tessarine.png"
                DESTINATION share/icons/hicolor/32x32/apps COMPONENT desktop EXCLUDE_FROM_ALL)
        set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
        set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
        set(CPACK_DEBIAN_PACKAGE_SUGGESTS x-terminal-emulator)
    endif()
    foreach(TESS_LAUNCHED ${TESS_LAUNCHED_PROGRAMS})
        configure_file("${CMAKE_SOURCE_DIR}/packaging/linux/launcher.in"
                       "${CMAKE_BINARY_DIR}/packaging/bin/${TESS_LAUNCHED}" @ONLY)
        install(PROGRAMS "${CMAKE_BINARY_DIR}/packaging/bin/${TESS_LAUNCHED}" DESTINATION bin
                COMPONENT desktop EXCLUDE_FROM_ALL)
    endforeach()
    install(FILES "${CMAKE_SOURCE_DIR}/packaging/linux/copyright" DESTINATION share/doc/tessarine
            COMPONENT desktop EXCLUDE_FROM_ALL)
    configure_file("${CMAKE_SOURCE_DIR}/packaging/linux/postrm.in"
                   "${CMAKE_BINARY_DIR}/packaging/postrm" @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    configure_file("${CMAKE_SOURCE_DIR}/packaging/linux/cpack-options.cmake.in"
                   "${CMAKE_BINARY_DIR}/packaging/cpack-options.cmake" @ONLY)

    set(CPACK_GENERATOR TGZ DEB)
    set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_BINARY_DIR}/packaging/cpack-options.cmake")
    set(CPACK_PACKAGE_FILE_NAME "Tessarine-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
    set(CPACK_PACKAGE_DESCRIPTION [[
Tessarine gives a finished Battlefield 1942 map its bots: it reads the map
(a packed .rfa level archive or an unpacked level folder), writes the game's
AI scripts into a bot addon, lets the map maker draw the strategic areas on a
picture of the map, packs the addon around the game's pathmap generation and
merges map and addon for network play. The window speaks German.
.
tessarine starts the window, tessarine-cli runs the same steps without one.
On its first start each user gets a copy of the program folder in
~/.local/share/tessarine, where everything Tessarine writes lands.]])
    set(CPACK_STRIP_FILES ON)
    set(TESS_PACKAGE_MAINTAINER "Tessarine maintainers"
        CACHE STRING "The Maintainer field of the .deb (Name <address>)")
    set(CPACK_DEBIAN_PACKAGE_NAME tessarine)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESS_PACKAGE_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_BINARY_DIR}/packaging/postrm")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    include(CPack)
endif()
