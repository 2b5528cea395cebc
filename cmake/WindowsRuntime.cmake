# What corvane.exe and corvane-cli.exe need beside them on Windows when the Qt
# kit has no windeployqt (Qt cross-built with mingw-w64, as scripts/windows
# does): the Qt libraries, the platform and style plugins where Qt looks for
# them (beside the program), and the compiler's runtime libraries.
foreach(lib Qt6::Core Qt6::Gui Qt6::Widgets)
    install(FILES $<TARGET_FILE:${lib}> DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
        DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
            DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
endif()
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "The compiler's ${dll} was not found (${CMAKE_CXX_COMPILER})")
    endif()
    install(FILES ${path} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
