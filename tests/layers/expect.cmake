# Runs the layer check over violations/, a tree that breaks every rule of the table once
# beside includes and links that keep to it, and fails unless the check fails naming
# each broken rule and nothing else.
#   cmake -DTABLE=layers.txt -DQT_HEADERS=<dir> -P expect.cmake
set(fixture ${CMAKE_CURRENT_LIST_DIR}/violations)
execute_process(COMMAND ${CMAKE_COMMAND} -DTABLE=${TABLE} -DROOT=${fixture} -DLINKS=${fixture}/links.txt
                        -DQT_HEADERS=${QT_HEADERS} -P ${CMAKE_CURRENT_LIST_DIR}/check.cmake
    RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
set(expected
    "src/protocol/protocol.h (protocol) includes <QString> of Qt::Core, which protocol may not use"
    "src/core/engine.cpp (core) includes \"../../tests/helper.h\": a path out of the layer folders"
    "src/core/engine.cpp (core) includes \"core/missing.h\", which is no file of core"
    "src/core/engine.cpp (core) includes \"gen/generator.h\" of gen, which core may not use"
    "src/core/engine.cpp (core) includes \"gui/window.h\" of gui, which core may not use"
    "src/core/engine.cpp (core) includes \"render/replay.h\" of render, which core may not use"
    "src/core/engine.cpp (core) includes <gtest/gtest.h>, a test or benchmark framework"
    "src/core/engine.cpp (core) includes <QWidget> of Qt::Widgets, which core may not use"
    "src/cli/CMakeLists.txt (cli) names tools/gen"
    "src/cli/CMakeLists.txt (cli) names tests/"
    "velmora_core (core) links Qt6::Widgets of Qt::Widgets, which core does not use"
    "velmora_core (core) links velmora_jvbridge of jvbridge, which core does not use"
    "velmora-cli (cli) links velmora_gen of gen, which cli does not use"
    "velmora-cli (cli) links somelib, which belongs to no layer")
if(NOT failed)
    message(FATAL_ERROR "the layer check passed a tree that breaks the layers:\n${out}")
endif()
# The message lists one problem a line: joined lines would hide a missing one.
string(REGEX REPLACE "\n[ \t]*" " " flat "${out}")
foreach(problem IN LISTS expected)
    string(REGEX REPLACE "[ \t]+" " " problem "${problem}")
    string(FIND "${flat}" "${problem}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the layer check did not report: ${problem}\nIt said:\n${out}")
    endif()
endforeach()
list(LENGTH expected count)
if(NOT out MATCHES "${count} dependencies against the layers")
    message(FATAL_ERROR "the layer check reported other problems than the ${count} expected:\n${out}")
endif()
