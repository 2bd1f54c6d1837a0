# Settings of a Windows program built on its own with MinGW-w64 (cmake/mingw.cmake as
# the toolchain file): velmora-jvbridge and the tests' JV-Link. Gives the project the
# INTERFACE target velmora_options that the shared libraries and the programs link, and
# VELMORA_OUTPUT_DIR, where the programs and DLLs go.
include(${CMAKE_CURRENT_LIST_DIR}/warnings.cmake)

option(VELMORA_WERROR "Treat compiler warnings as errors" OFF)
set(VELMORA_OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin CACHE PATH "Where the programs and DLLs go")
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${VELMORA_OUTPUT_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${VELMORA_OUTPUT_DIR})

# -O3 makes GCC 12 warn falsely (-Wrestrict) inside std::string concatenation.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")

add_library(velmora_options INTERFACE)
target_compile_features(velmora_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(velmora_options INTERFACE ${VELMORA_WARNINGS} $<$<BOOL:${VELMORA_WERROR}>:-Werror>)
target_compile_definitions(velmora_options INTERFACE UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601)
# No DLLs beside the program but Windows' own.
target_link_options(velmora_options INTERFACE -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
