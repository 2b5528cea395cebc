# Run by CPack on the installer's copy of the install tree, before it builds
# the Windows installer: windeployqt puts the Qt libraries and plugins that
# corvane.exe needs beside it.
if(NOT CPACK_CORVANE_WINDEPLOYQT)
    message(FATAL_ERROR "windeployqt was not found when the build was configured")
endif()
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/corvane.exe")
foreach(program ${programs})
    execute_process(COMMAND "${CPACK_CORVANE_WINDEPLOYQT}" --no-translations "${program}"
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
