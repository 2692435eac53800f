# cmake -DBUILD=<build folder> -DPREFIX=<empty prefix> -P InstallLayoutTest.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

file(GLOB programs RELATIVE ${PREFIX}/bin ${PREFIX}/bin/*)
list(SORT programs)
if(NOT programs STREQUAL "tessel;tessel-syx")
    message(FATAL_ERROR "bin/ holds '${programs}', not tessel and tessel-syx")
endif()

file(STRINGS ${PREFIX}/share/applications/tessel.desktop entry)
foreach(line "[Desktop Entry]" "Type=Application" "Exec=tessel" "Icon=tessel")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks '${line}'")
    endif()
endforeach()

# A PNG starts with its 8-byte signature; its width and height are the big-endian words at
# bytes 16 and 20 (the IHDR chunk).
foreach(size 16 24 32 48 64 128 256)
    set(icon ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/tessel.png)
    if(NOT EXISTS ${icon})
        message(FATAL_ERROR "missing ${icon}")
    endif()
    file(READ ${icon} signature LIMIT 8 HEX)
    file(READ ${icon} header LIMIT 8 OFFSET 16 HEX)
    string(SUBSTRING "${header}" 0 8 width)
    string(SUBSTRING "${header}" 8 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
        message(FATAL_ERROR "${icon} is not a ${size} x ${size} PNG (${width} x ${height})")
    endif()
endforeach()
