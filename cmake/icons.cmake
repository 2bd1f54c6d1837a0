# The command icons (Tango, public domain: resources/icons/README), as :/icons/<size>/<name>.png:
# the desktop program's, and the start-up benchmark's yardstick window shows the same.
set(VELMORA_ICONS)
foreach(size 16x16 22x22 32x32)
    foreach(name dialog-information document-open document-print folder help-browser network-receive printer
                 system-log-out utilities-system-monitor)
        list(APPEND VELMORA_ICONS ${PROJECT_SOURCE_DIR}/resources/icons/${size}/${name}.png)
    endforeach()
endforeach()
