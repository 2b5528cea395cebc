# Installs the build into PREFIX and checks what a desktop and a user find there.
# Arguments: BUILD_DIR, PREFIX, VERSION (the project's).
cmake_policy(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

foreach(file bin/corvane bin/corvane-sim share/applications/corvane.desktop)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(SEND_ERROR "not installed: ${file}")
    endif()
endforeach()

# The desktop entry must start the installed program and name an installed
# icon in both forms: the drawing, and the 256 px picture made from it.
file(READ "${PREFIX}/share/applications/corvane.desktop" entry)
string(REGEX MATCH "\nExec=([^ \n]+)" found "\n${entry}")
set(exec "${CMAKE_MATCH_1}")
string(REGEX MATCH "\nIcon=([^\n]+)" found "\n${entry}")
set(icon "${CMAKE_MATCH_1}")
if(NOT exec OR NOT EXISTS "${PREFIX}/bin/${exec}")
    message(SEND_ERROR "the desktop entry starts '${exec}', which is not installed")
endif()
set(hicolor "${PREFIX}/share/icons/hicolor")
if(NOT EXISTS "${hicolor}/scalable/apps/${icon}.svg")
    message(SEND_ERROR "no scalable icon named '${icon}'")
endif()
set(png "${hicolor}/256x256/apps/${icon}.png")
if(EXISTS "${png}")
    # A PNG's width and height are the two 4-byte numbers after its 16-byte head.
    file(READ "${png}" size OFFSET 16 LIMIT 8 HEX)
    if(NOT size STREQUAL "0000010000000100")
        message(SEND_ERROR "${png} is not 256 x 256 (IHDR ${size})")
    endif()
else()
    message(SEND_ERROR "no 256 px icon named '${icon}'")
endif()
if(NOT entry MATCHES "\nCategories=([^\n]*;)?Utility;" OR NOT entry MATCHES "\nCategories=[^\n]*;Engineering;")
    message(SEND_ERROR "the desktop entry is not under Utility and Engineering:\n${entry}")
endif()

# --version and --help come before any window: with no display to reach, the
# X11 platform would end the program if it tried to open one.
set(no_display "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
               QT_QPA_PLATFORM=xcb)
execute_process(COMMAND ${no_display} "${PREFIX}/bin/corvane" --version
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status OR NOT out STREQUAL "Corvane ${VERSION}\n")
    message(SEND_ERROR "corvane --version: status ${status}, printed '${out}${err}'")
endif()
# The help lists --help-all, so that must answer too.
foreach(option --help --help-all)
    execute_process(COMMAND ${no_display} "${PREFIX}/bin/corvane" ${option}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    foreach(needed "Usage: ${PREFIX}/bin/corvane" "--version" "/Corvane/Corvane.conf"
                   "CORVANE_SETTINGS=FILE")
        string(FIND "${out}" "${needed}" at)
        if(status OR at EQUAL -1)
            message(SEND_ERROR "corvane ${option} (status ${status}) lacks '${needed}':\n${out}${err}")
        endif()
    endforeach()
endforeach()
