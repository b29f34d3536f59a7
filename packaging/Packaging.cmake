# Installing and the Debian package (cpack -G DEB; dpkg-shlibdeps and file must be installed).
#
# The program looks for its language modules (corvane-diagnostic.<ABC>) and its gettext catalogues
# (locale/) in its own folder, so it lives with them in lib/corvane-diagnostic and bin/ holds a
# link to it: the program's folder is where the link points, not bin/. Install rules for modules
# and catalogues put them in CORVANE_INSTALL_PROGRAM_DIR (set in the top CMakeLists.txt).
# The simulator and corvane-cfg need nothing beside them and go straight into bin/.

include(GNUInstallDirs)

install(TARGETS corvane-diagnostic RUNTIME DESTINATION ${CORVANE_INSTALL_PROGRAM_DIR})
install(TARGETS corvane-ecu-sim corvane-cfg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# A relative link, so that the tree can be moved (DESTDIR, the package's staging folder).
file(RELATIVE_PATH CORVANE_PROGRAM_LINK_TARGET /${CMAKE_INSTALL_BINDIR} /${CORVANE_INSTALL_PROGRAM_DIR}/corvane-diagnostic)
install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    message(STATUS \"Installing: \${bin}/corvane-diagnostic -> ${CORVANE_PROGRAM_LINK_TARGET}\")
    file(CREATE_LINK \"${CORVANE_PROGRAM_LINK_TARGET}\" \"\${bin}/corvane-diagnostic\" SYMBOLIC)
")

install(FILES ${CMAKE_CURRENT_LIST_DIR}/corvane-diagnostic.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon drawn as SVG, and rendered once at 48 pixels for desktops that take no SVG.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/corvane-diagnostic.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/corvane-diagnostic-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME corvane-diagnostic.png)

set(CPACK_PACKAGE_NAME corvane-diagnostic)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane Diagnostic developers <corvane-diagnostic@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Diagnostic and calibration tool for the Corvane gas-injection ECU")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads, edits and writes the configuration and injection maps of the ECU over its serial port,\
 shows and records live engine data, reads trouble codes and flashes firmware. Includes\
 corvane-ecu-sim, a simulated ECU on a pseudo-terminal, and corvane-cfg for configuration files.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.${CORVANE_BUILD_NUMBER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The Qt and C++ runtime libraries come from the executables' own links (dpkg-shlibdeps); the
# platform plugins that open a window and the SVG icon engine are loaded at run time, so they are
# named here, with Qt's own translations (the buttons of a question in Italian and Polish).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-svg-plugins, qt6-translations-l10n, hicolor-icon-theme")
include(CPack)
