# cmake -DBUILD=<build folder> -DPREFIX=<empty prefix> -P InstallLayoutTest.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
file(GLOB programs RELATIVE ${PREFIX}/bin ${PREFIX}/bin/*)
list(SORT programs)
file(STRINGS ${PREFIX}/share/applications/tessel.desktop entry REGEX "^(Exec|Icon)=")
if(NOT result EQUAL 0 OR NOT programs STREQUAL "tessel;tessel-syx"
   OR NOT entry STREQUAL "Exec=tessel;Icon=tessel")
    message(FATAL_ERROR "install: ${result}, bin/ holds '${programs}', desktop entry '${entry}'")
endif()

# A PNG's width and height are the big-endian words at bytes 16 and 20 (its IHDR chunk).
foreach(size 16 24 32 48 64 128 256)
    set(icon ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/tessel.png)
    file(READ ${icon} header LIMIT 8 OFFSET 16 HEX)
    string(SUBSTRING "${header}" 0 8 width)
    string(SUBSTRING "${header}" 8 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT width EQUAL size OR NOT height EQUAL size)
        message(FATAL_ERROR "${icon} is not a ${size} x ${size} PNG (${width} x ${height})")
    endif()
endforeach()
