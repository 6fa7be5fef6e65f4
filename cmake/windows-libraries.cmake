# The libraries of the Windows build, when it is cross-compiled on Debian. Debian ships MinGW
# builds of zlib only; LZO, libpng (unless Qt's prefix brings it) and libsquish are compiled
# from Debian's own source packages (unpacked once into the build tree and kept there), GoogleTest from the sources
# that libgtest-dev installs, and the header-only CLI11 and nlohmann-json from copies of
# their Debian headers (the host's /usr/include must not reach the cross compiler).
# Defines the same targets and variables that the Linux build finds on the system.

set(TESS_DEPS_DIR "${CMAKE_BINARY_DIR}/_deps")

# Unpacks a Debian source package into _deps/<name> unless it is there already.
function(tess_debian_source package name out_var)
    set(dir "${TESS_DEPS_DIR}/${name}")
    if(NOT EXISTS "${dir}/.tess-unpacked")
        message(STATUS "Unpacking Debian source package ${package}")
        execute_process(
            COMMAND bash "${CMAKE_SOURCE_DIR}/cmake/debian-source.sh" ${package} "${dir}"
            RESULT_VARIABLE result OUTPUT_VARIABLE version ERROR_VARIABLE error
            OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "Debian source package ${package} unavailable:\n${error}")
        endif()
        file(WRITE "${dir}/.tess-unpacked" "${version}\n")
    endif()
    set(${out_var} "${dir}" PARENT_SCOPE)
endfunction()

# Third-party code is compiled as its authors wrote it: no warnings of ours.
function(tess_third_party target)
    target_compile_options(${target} PRIVATE -w)
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
endfunction()

# LZO (archive compression).
tess_debian_source(lzo2 lzo2 LZO_SOURCE)
file(GLOB TESS_LZO_SOURCES "${LZO_SOURCE}/src/*.c")
add_library(tess_lzo2 STATIC ${TESS_LZO_SOURCES})
target_include_directories(tess_lzo2 SYSTEM PUBLIC "${LZO_SOURCE}/include"
                           PRIVATE "${LZO_SOURCE}")
target_compile_definitions(tess_lzo2 PRIVATE LZO_CFG_NO_CONFIG_HEADER=1)
tess_third_party(tess_lzo2)
set(TESS_LZO2 tess_lzo2)

# zlib (Debian's libz-mingw-w64-dev) and libpng (pathmap pictures). With the window, the
# libpng that Qt links lies in Qt's prefix (windows-qt.cmake) and serves the core as well:
# one libpng in every program. Without it, the same recipe compiles it here.
find_path(TESS_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
find_library(TESS_ZLIB_LIBRARY NAMES libz.a REQUIRED)
if(TESS_GUI)
    find_package(PNG REQUIRED)
    string(FIND "${PNG_LIBRARY}" "${TESS_WINDOWS_QT_PREFIX}/" at)
    if(NOT at EQUAL 0)
        message(FATAL_ERROR "libpng found at ${PNG_LIBRARY}, not in Qt's ${TESS_WINDOWS_QT_PREFIX}")
    endif()
else()
    include(${CMAKE_CURRENT_LIST_DIR}/windows-libpng.cmake)
    tess_debian_source(libpng1.6 libpng PNG_SOURCE)
    tess_add_libpng(tess_png "${PNG_SOURCE}" "${TESS_DEPS_DIR}/libpng-config"
                    "${TESS_ZLIB_INCLUDE_DIR}" "${TESS_ZLIB_LIBRARY}")
    add_library(PNG::PNG ALIAS tess_png)
endif()

# libsquish (DXT pictures), without SIMD and OpenMP: it only decodes here.
tess_debian_source(libsquish libsquish SQUISH_SOURCE)
add_library(tess_squish STATIC
    ${SQUISH_SOURCE}/alpha.cpp ${SQUISH_SOURCE}/clusterfit.cpp ${SQUISH_SOURCE}/colourblock.cpp
    ${SQUISH_SOURCE}/colourfit.cpp ${SQUISH_SOURCE}/colourset.cpp ${SQUISH_SOURCE}/maths.cpp
    ${SQUISH_SOURCE}/rangefit.cpp ${SQUISH_SOURCE}/singlecolourfit.cpp
    ${SQUISH_SOURCE}/squish.cpp)
target_compile_definitions(tess_squish PUBLIC SQUISH_USE_SSE=0 SQUISH_USE_ALTIVEC=0)
tess_third_party(tess_squish)
set(SQUISH_INCLUDE_DIR "${SQUISH_SOURCE}")
set(SQUISH_LIBRARY tess_squish)

# Header-only libraries: their Debian headers, copied so that no other host header is seen.
set(TESS_HEADERS_DIR "${TESS_DEPS_DIR}/include")
foreach(folder CLI nlohmann)
    if(NOT EXISTS "/usr/include/${folder}")
        message(FATAL_ERROR "/usr/include/${folder} missing: run 'bash tools/install-deps'.")
    endif()
    file(COPY "/usr/include/${folder}" DESTINATION "${TESS_HEADERS_DIR}")
endforeach()
add_library(tess_cli11 INTERFACE)
target_include_directories(tess_cli11 SYSTEM INTERFACE "${TESS_HEADERS_DIR}")
add_library(CLI11::CLI11 ALIAS tess_cli11)
add_library(tess_nlohmann_json INTERFACE)
target_include_directories(tess_nlohmann_json SYSTEM INTERFACE "${TESS_HEADERS_DIR}")
add_library(nlohmann_json::nlohmann_json ALIAS tess_nlohmann_json)

# GoogleTest from the sources that libgtest-dev installs.
if(TESS_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL)
    foreach(target gtest gtest_main gmock gmock_main)
        tess_third_party(${target})
    endforeach()
endif()
