# Runs the Windows programs of a cross build under Wine: ctest and the test discovery start
# them through CMAKE_CROSSCOMPILING_EMULATOR. One Wine prefix lives in the build tree (its
# first start creates it, which takes a few seconds); Wine's own messages are silenced and
# its Mono and Gecko installers are never offered.
find_program(TESS_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT TESS_WINE)
    message(STATUS "Wine not found: the Windows programs are built but cannot be tested here.")
    return()
endif()
set(TESS_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
set(TESS_WINE_ENVIRONMENT "WINEPREFIX=${TESS_WINE_PREFIX}" "WINEDEBUG=-all"
                          "WINEDLLOVERRIDES=mscoree,mshtml=")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${TESS_WINE_ENVIRONMENT} ${TESS_WINE})
