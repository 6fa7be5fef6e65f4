# Runs the Windows programs of a cross build under Wine: ctest and the test discovery start
# them through CMAKE_CROSSCOMPILING_EMULATOR (cmake/wine-run.sh). One Wine prefix lives in
# the build tree; Wine's own messages are silenced and its Mono and Gecko installers are
# never offered.
find_program(TESS_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
get_filename_component(TESS_WINE_DIR "${TESS_WINE}" DIRECTORY)
find_program(TESS_WINESERVER NAMES wineserver64 wineserver PATHS ${TESS_WINE_DIR} /usr/lib/wine
             NO_CMAKE_FIND_ROOT_PATH)
if(NOT TESS_WINE OR NOT TESS_WINESERVER)
    message(STATUS "Wine not found: the Windows programs are built but cannot be tested here.")
    set(TESS_WINE "")
    return()
endif()
set(TESS_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
set(CMAKE_CROSSCOMPILING_EMULATOR bash "${CMAKE_SOURCE_DIR}/cmake/wine-run.sh"
    "${TESS_WINE_PREFIX}" "${TESS_WINE}" "${TESS_WINESERVER}")
