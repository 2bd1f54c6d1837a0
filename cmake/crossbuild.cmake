# Windows programs cross-built with MinGW-w64, each as an external project with the
# toolchain file cmake/mingw.cmake: velmora-jvbridge for i686 and x86_64, and the tests'
# JV-Link for x86_64. Both MinGW-w64 compilers are needed.
velmora_part_setting(VELMORA_BUILD_JVBRIDGE "velmora-jvbridge.exe cross-built with MinGW-w64")
set(found OFF)
velmora_part_wanted(VELMORA_BUILD_JVBRIDGE wanted)
if(wanted)
    find_program(VELMORA_MINGW_I686 i686-w64-mingw32-g++)
    find_program(VELMORA_MINGW_X86_64 x86_64-w64-mingw32-g++)
    if(VELMORA_MINGW_I686 AND VELMORA_MINGW_X86_64)
        set(found ON)
    endif()
endif()
velmora_part_enabled(VELMORA_BUILD_JVBRIDGE "Windows bridge (velmora-jvbridge.exe, its tests under wine64)" ${found}
    "MinGW-w64 for i686 and x86-64 (g++-mingw-w64-i686, g++-mingw-w64-x86-64)" VELMORA_CROSS_BUILD
    ": the bridge is not built and its tests skip")

include(ExternalProject)
# velmora_cross_build(<target> <arch> <source dir> <output dir> PRODUCTS <file>...)
# Builds the MinGW-w64 project in <source dir> for <arch> (i686 or x86_64) as <target>,
# its programs and DLLs (PRODUCTS, file names) into <output dir>.
function(velmora_cross_build target arch source output)
    cmake_parse_arguments(CROSS "" "" "PRODUCTS" ${ARGN})
    list(TRANSFORM CROSS_PRODUCTS PREPEND ${output}/)
    ExternalProject_Add(${target}
        SOURCE_DIR ${source}
        BINARY_DIR ${output}-build
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw.cmake -DVELMORA_MINGW_ARCH=${arch}
                   -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=${VELMORA_WERROR} -DVELMORA_OUTPUT_DIR=${output}
        BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j2
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        # One cross build at a time, beside the main build's own jobs.
        USES_TERMINAL_BUILD ON
        USES_TERMINAL_CONFIGURE ON
        BUILD_BYPRODUCTS ${CROSS_PRODUCTS})
endfunction()
