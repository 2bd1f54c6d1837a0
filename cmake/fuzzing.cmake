# Fuzzing with libFuzzer needs clang and its libFuzzer. A fuzzing build (VELMORA_FUZZ,
# made by scripts/fuzz in build-fuzz) checks its own compiler; every other build only
# looks whether this machine could fuzz and says so (setting VELMORA_FUZZING): its fuzz
# targets are replay programs, which need neither.

# Sets `result` to whether `compiler` builds and links a libFuzzer target.
function(velmora_links_fuzzer compiler result)
    set(dir ${CMAKE_BINARY_DIR}/CMakeFiles/velmora-fuzzer-check)
    file(WRITE ${dir}/fuzzer.cpp [[
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *, std::size_t) { return 0; }
]])
    execute_process(COMMAND ${compiler} -fsanitize=fuzzer ${dir}/fuzzer.cpp -o ${dir}/fuzzer
        RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
        set(${result} OFF PARENT_SCOPE)
    else()
        set(${result} ON PARENT_SCOPE)
    endif()
endfunction()

if(VELMORA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VELMORA_FUZZ needs clang (CXX=clang++), not ${CMAKE_CXX_COMPILER_ID}")
    endif()
    velmora_links_fuzzer(${CMAKE_CXX_COMPILER} linked)
    if(NOT linked)
        message(FATAL_ERROR "VELMORA_FUZZ: ${CMAKE_CXX_COMPILER} cannot link a libFuzzer target "
                            "(install libfuzzer-14-dev, or the libFuzzer of this clang)")
    endif()
    return()
endif()

velmora_part_setting(VELMORA_FUZZING "Fuzzing with clang and libFuzzer (scripts/fuzz)")
velmora_part_wanted(VELMORA_FUZZING wanted)
set(found OFF)
if(wanted)
    find_program(VELMORA_CLANGXX NAMES clang++ clang++-14)
    if(VELMORA_CLANGXX AND NOT VELMORA_CLANGXX_LINKS_FUZZER STREQUAL VELMORA_CLANGXX)
        velmora_links_fuzzer(${VELMORA_CLANGXX} linked)
        if(linked)
            # Remembered per compiler, so that the check runs once.
            set(VELMORA_CLANGXX_LINKS_FUZZER ${VELMORA_CLANGXX} CACHE INTERNAL "")
        endif()
    endif()
    if(VELMORA_CLANGXX AND VELMORA_CLANGXX_LINKS_FUZZER STREQUAL VELMORA_CLANGXX)
        set(found ON)
    endif()
endif()
velmora_part_enabled(VELMORA_FUZZING "Fuzzing (scripts/fuzz, in build-fuzz)" ${found}
    "clang with libFuzzer (clang, libfuzzer-14-dev)" VELMORA_FUZZING_POSSIBLE
    ": scripts/fuzz cannot run; the fuzz targets' replays are tests all the same")
