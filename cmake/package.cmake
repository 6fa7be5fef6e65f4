# The installed program folder, laid out as in the build tree: the executables, temp/ with
# temp/con files/ (the three behaviour templates), Network/ and bf1942/levels/, and the
# licence. On Windows `cpack -G ZIP` (or `cpack --preset windows`) packs it into a zip, with
# a note on building the window there.
set(TESS_INSTALLED_PROGRAMS tessarine-cli rfaPack rfaunpack)
if(TARGET tessarine)
    list(APPEND TESS_INSTALLED_PROGRAMS tessarine)
endif()
install(TARGETS ${TESS_INSTALLED_PROGRAMS} RUNTIME DESTINATION .)
file(GLOB TESS_INSTALLED_TEMPLATES "${CMAKE_SOURCE_DIR}/src/resources/con files/*.con")
install(FILES ${TESS_INSTALLED_TEMPLATES} DESTINATION "temp/con files")
install(DIRECTORY DESTINATION Network)
install(DIRECTORY DESTINATION bf1942/levels)
install(FILES "${CMAKE_SOURCE_DIR}/LICENSE" DESTINATION .)

if(WIN32)
    install(FILES "${CMAKE_SOURCE_DIR}/packaging/windows/BUILD-WINDOW.txt" DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_NAME Tessarine)
    set(CPACK_PACKAGE_VENDOR Tessarine)
    set(CPACK_PACKAGE_FILE_NAME "Tessarine-${PROJECT_VERSION}-windows-x64")
    set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
    include(CPack)
endif()
