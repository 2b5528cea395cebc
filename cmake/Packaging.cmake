# Packages of the installed tree: a Debian package (cpack -G DEB, made by
# scripts/package) and, on Windows, an installer (cpack -G NSIS).

# Who answers for the package; the Debian package's Maintainer field.
set(CORVANE_MAINTAINER "Corvane maintainers <maintainers@corvane.invalid>"
    CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT "${CORVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service and datalog tool for Velmar KR flowmeters")
# Lines of at most 72 characters, as dpkg and apt show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane is the service, diagnostic and datalog program for the Velmar
KR series of dual-frequency Doppler ultrasonic flowmeters (KR3, KR4,
KR5). A service engineer connects a laptop to the meter's serial port
and uses Corvane to identify the meter, watch live flow and signal, and
read its configuration.

The package also holds corvane-sim, a simulated KR5 meter served on a
pseudo-terminal, to try Corvane without a meter.

To open a serial port the user's account must be in the group that owns
the device, usually dialout.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Corvane)
set(CPACK_PACKAGE_EXECUTABLES corvane Corvane)
# Packaged programs go without their symbol tables and any debug information.
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the binaries link, found by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, where dpkg-shlibdeps cannot see
# them; without them no window opens.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The post-install note about the dialout group.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

if(WIN32)
    set(CPACK_GENERATOR NSIS)
    set(CPACK_NSIS_DISPLAY_NAME Corvane)
    set(CPACK_NSIS_PACKAGE_NAME Corvane)
    set(CPACK_NSIS_INSTALLED_ICON_NAME bin/corvane.exe)
    set(CPACK_NSIS_MUI_FINISHPAGE_RUN corvane.exe)
    # A 64-bit program gets a 64-bit installer, into "Program Files" rather
    # than "Program Files (x86)"; it also installs where no 32-bit Windows
    # layer is present.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_NSIS_DEFINES "Target amd64-unicode")
        set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    endif()
    # With a Qt kit that has windeployqt, the install tree holds Corvane's own
    # programs only and windeployqt adds the Qt libraries and plugins to the
    # installer's copy of it; without one, the install rules copy them.
    find_program(CORVANE_WINDEPLOYQT windeployqt HINTS "${QT6_INSTALL_PREFIX}/bin")
    if(CORVANE_WINDEPLOYQT)
        set(CPACK_CORVANE_WINDEPLOYQT "${CORVANE_WINDEPLOYQT}")
        set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/WinDeployQt.cmake)
    else()
        include(${CMAKE_CURRENT_LIST_DIR}/WindowsRuntime.cmake)
    endif()
else()
    set(CPACK_GENERATOR DEB)
endif()

include(CPack)
