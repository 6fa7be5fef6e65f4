# The Qt of the Windows window, when it is cross-compiled on Debian: tools/build-windows-qt
# builds it once from Debian's own source into a prefix outside the build tree (the first
# configure waits for that; later ones find the prefix complete and go on at once). The
# cross toolchain searches only its root paths, so the prefix becomes one of them; the host's
# moc, rcc and uic serve the cross build. The prefix also holds the libpng that this Qt and
# the core both link (windows-libraries.cmake finds it there).
execute_process(
    COMMAND bash "${CMAKE_SOURCE_DIR}/tools/build-windows-qt"
    RESULT_VARIABLE result OUTPUT_VARIABLE output OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The Qt of the Windows window could not be built (see above).")
endif()
string(REGEX REPLACE "^.*\n" "" TESS_WINDOWS_QT_PREFIX "${output}")
message(STATUS "Qt for Windows: ${TESS_WINDOWS_QT_PREFIX}")

list(APPEND CMAKE_FIND_ROOT_PATH "${TESS_WINDOWS_QT_PREFIX}")
list(APPEND CMAKE_PREFIX_PATH "${TESS_WINDOWS_QT_PREFIX}")
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
# zlib as the static library: the import library would make the programs need zlib1.dll.
set(ZLIB_INCLUDE_DIR "/usr/${TESS_MINGW_TRIPLE}/include" CACHE PATH "")
set(ZLIB_LIBRARY "/usr/${TESS_MINGW_TRIPLE}/lib/libz.a" CACHE FILEPATH "")

# Qt's German texts, which the window loads from "translations" beside the program.
find_file(TESS_QT_TRANSLATION qtbase_de.qm PATHS /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
