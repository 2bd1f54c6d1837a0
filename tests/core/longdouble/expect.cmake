# Configures the project beside this file three times: as it is (x87 extended long
# double on x86, which must pass) and with long double made 128-bit and 64-bit (which
# must stop with the message that says why).
#   cmake -DSOURCE=<source dir> -DWORK=<folder> -DCOMPILER=<c++> -DGENERATOR=<generator> -DMAKE=<program> -P expect.cmake
function(configure flags result output)
    string(MD5 name "${flags}")
    file(REMOVE_RECURSE ${WORK}/${name})
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${WORK}/${name} -G ${GENERATOR}
                            -DCMAKE_MAKE_PROGRAM=${MAKE} -DCMAKE_CXX_COMPILER=${COMPILER}
                            "-DCMAKE_CXX_FLAGS=${flags}" -DVELMORA_SOURCE_DIR=${SOURCE}
        RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
    set(${result} ${failed} PARENT_SCOPE)
    set(${output} "${out}" PARENT_SCOPE)
endfunction()

configure("" failed out)
if(failed)
    message(FATAL_ERROR "the check refused the x87 long double of this compiler:\n${out}")
endif()
foreach(flags -mlong-double-128 -mlong-double-64)
    configure(${flags} failed out)
    if(NOT failed)
        message(FATAL_ERROR "the check passed long double with ${flags}")
    endif()
    if(NOT out MATCHES "needs long double to be the x87 80-bit extended")
        message(FATAL_ERROR "the check failed with ${flags}, but not saying why:\n${out}")
    endif()
endforeach()
