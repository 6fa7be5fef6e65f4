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

# What the window loads from beside the program: Qt's German texts (qt6-translations-l10n) in
# translations/, and in fonts/ the narrow sans that the window is laid out for, as on Linux
# (fonts-liberation, with its licence).
find_file(TESS_QT_TRANSLATION qtbase_de.qm PATHS /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(TESS_WINDOW_FONTS)
foreach(face Regular Bold)
    find_file(TESS_FONT_${face} LiberationSansNarrow-${face}.ttf
              PATHS /usr/share/fonts/truetype/liberation NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
              REQUIRED)
    list(APPEND TESS_WINDOW_FONTS "${TESS_FONT_${face}}")
endforeach()
set(TESS_WINDOW_FONTS_LICENCE /usr/share/doc/fonts-liberation/copyright)

# Puts those files beside a program of the window (and in the zip, cmake/package.cmake).
function(tess_window_files target)
    set(dir "$<TARGET_FILE_DIR:${target}>")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "${TESS_QT_TRANSLATION}"
                "${dir}/translations/qtbase_de.qm"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}/fonts"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TESS_WINDOW_FONTS} "${dir}/fonts"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "${TESS_WINDOW_FONTS_LICENCE}"
                "${dir}/fonts/LICENCE-Liberation.txt"
        VERBATIM)
endfunction()
