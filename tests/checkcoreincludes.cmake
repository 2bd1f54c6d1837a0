# Fails when a core source includes a Qt module other than Qt Core.
file(GLOB_RECURSE sources ${SRC}/*.cpp ${SRC}/*.h)
foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^#include <Qt(Gui|Widgets|PrintSupport|Charts|Network)/")
    file(STRINGS ${source} lines2 REGEX "^#include <Q(Widget|Application|Painter|Printer|Color|Font|Image|Pixmap|GuiApplication)>")
    if(lines OR lines2)
        message(FATAL_ERROR "${source} includes a GUI header: ${lines}${lines2}")
    endif()
endforeach()
