# libpng for the Windows build, compiled from Debian's source package as the Linux build's
# libpng is built by Debian: tess_add_libpng(TARGET SOURCE_DIR CONFIG_DIR ZLIB_INCLUDE_DIR
# ZLIB_LIBRARY) adds the static library TARGET. The default configuration of the source
# (scripts/pnglibconf.h.prebuilt) is used, and no SIMD code.
function(tess_add_libpng target source config_dir zlib_include zlib_library)
    configure_file("${source}/scripts/pnglibconf.h.prebuilt" "${config_dir}/pnglibconf.h"
                   COPYONLY)
    add_library(${target} STATIC
        ${source}/png.c ${source}/pngerror.c ${source}/pngget.c ${source}/pngmem.c
        ${source}/pngpread.c ${source}/pngread.c ${source}/pngrio.c ${source}/pngrtran.c
        ${source}/pngrutil.c ${source}/pngset.c ${source}/pngtrans.c ${source}/pngwio.c
        ${source}/pngwrite.c ${source}/pngwtran.c ${source}/pngwutil.c)
    target_include_directories(${target} SYSTEM PUBLIC "${source}" "${config_dir}"
                               "${zlib_include}")
    target_compile_definitions(${target} PRIVATE PNG_ARM_NEON_OPT=0 PNG_INTEL_SSE_OPT=0)
    target_compile_options(${target} PRIVATE -w)
    target_link_libraries(${target} PUBLIC "${zlib_library}")
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
endfunction()
