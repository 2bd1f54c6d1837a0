# The parts of the build that need more than Qt and a compiler (the tests, the
# benchmarks, the Windows cross builds, fuzzing) each have a setting AUTO (the default:
# built when what they need is found, and the configure says so when it is not), ON
# (required: the configure fails when it is missing; scripts/build sets every one) or
# OFF.

# Declares the setting `variable` (AUTO, ON or OFF) of the part `description`.
function(velmora_part_setting variable description)
    set(${variable} AUTO CACHE STRING "${description}: AUTO (when found), ON (required) or OFF")
    set_property(CACHE ${variable} PROPERTY STRINGS AUTO ON OFF)
endfunction()

# True (in `result`) unless the part's setting is OFF; then what it needs is not looked for.
function(velmora_part_wanted variable result)
    string(TOUPPER "${${variable}}" setting)
    if(setting STREQUAL "AUTO" OR ${variable})
        set(${result} ON PARENT_SCOPE)
    else()
        set(${result} OFF PARENT_SCOPE)
    endif()
endfunction()

# Sets `result` to whether the part is built: its setting and whether `found` is true.
# `needs` names what it needs (the Debian packages in brackets); `without` (optional)
# says what happens without it. A required part that is missing stops the configure;
# every decision is reported.
function(velmora_part_enabled variable description found needs result)
    set(without "${ARGV5}")
    string(TOUPPER "${${variable}}" setting)
    velmora_part_wanted(${variable} wanted)
    if(NOT wanted)
        message(STATUS "${description}: off (${variable}=${${variable}})")
        set(${result} OFF PARENT_SCOPE)
    elseif(found)
        message(STATUS "${description}: on")
        set(${result} ON PARENT_SCOPE)
    elseif(setting STREQUAL "AUTO")
        message(STATUS "${description}: off, ${needs} not found${without}")
        set(${result} OFF PARENT_SCOPE)
    else()
        message(FATAL_ERROR "${description}: ${variable}=${${variable}}, but ${needs} was not found "
                            "(scripts/deps installs it)")
    endif()
endfunction()
