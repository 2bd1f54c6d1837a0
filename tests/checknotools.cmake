# Fails when the product reaches into the developer tools: a source under src/ that
# includes a header of tools/ (the generator "gen/...") or a build file of src/ that
# links a tools/ library (velmora_gen).
file(GLOB_RECURSE sources ${SRC}/*.cpp ${SRC}/*.h)
foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^#include [<\"](gen|screenshots|tools)/")
    if(lines)
        message(FATAL_ERROR "${source} includes a developer tool: ${lines}")
    endif()
endforeach()
file(GLOB_RECURSE buildfiles ${SRC}/CMakeLists.txt)
foreach(buildfile IN LISTS buildfiles)
    file(STRINGS ${buildfile} lines REGEX "velmora_gen|tools/")
    if(lines)
        message(FATAL_ERROR "${buildfile} links a developer tool: ${lines}")
    endif()
endforeach()
