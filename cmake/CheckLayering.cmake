# Fails the build when a folder includes a folder above it. The floors, lowest first:
#   1 library/ resources/   2 core/   3 midi/   4 transfers/ preview/ bank/   5 app/   6 tools/
# A folder includes only folders on its own floor or below; library/format/ includes nothing
# but itself, so the dump format stays on the standard library alone.
# Run as: cmake -DROOT=<source dir> -DSTAMP=<file to touch> -P CheckLayering.cmake
set(floor_library 1)
set(floor_resources 1)
set(floor_core 2)
set(floor_midi 3)
set(floor_transfers 4)
set(floor_preview 4)
set(floor_bank 4)
set(floor_app 5)
set(floor_tools 6)

set(problems "")
foreach(top library resources core midi transfers preview bank app tools)
    file(GLOB_RECURSE sources "${ROOT}/${top}/*.cpp" "${ROOT}/${top}/*.h")
    foreach(source ${sources})
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z-]+/")
        file(RELATIVE_PATH relative "${ROOT}" "${source}")
        foreach(line ${includes})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([a-z-]+)/([^\"]*)\".*" "\\1;\\2"
                   parts "${line}")
            list(GET parts 0 included)
            list(GET parts 1 rest)
            if(NOT DEFINED floor_${included})
                continue()
            endif()
            if(${floor_${included}} GREATER ${floor_${top}})
                string(APPEND problems "\n  ${relative}: ${line}")
            elseif(relative MATCHES "^library/format/" AND NOT rest MATCHES "^format/")
                string(APPEND problems "\n  ${relative}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    message(FATAL_ERROR "A folder includes a folder above it:${problems}")
endif()
file(TOUCH "${STAMP}")
