# Installing and packaging: both programs, the demo set, a desktop entry
# with its icon and the launcher it starts, where a Debian desktop looks for
# them; and a .deb that declares the packages it needs.
include(GNUInstallDirs)

# velquin-cli calibrate runs velquin-calibrate from its own folder.
install(TARGETS velquin-cli velquin-calibrate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velquin/demo)

if(VELQUIN_GUI)
  # velquin-cli analyze --plot runs velquin-plot from its own folder.
  install(TARGETS velquin velquin-plot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The entry and the launcher name installed places, so they are made when
  # installing, for the prefix installed to (/usr in the package).
  set(templates ${CMAKE_CURRENT_LIST_DIR})
  set(generated ${CMAKE_BINARY_DIR}/packaging)
  install(CODE "
    set(VELQUIN_DEMO_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/velquin/demo\")
    set(VELQUIN_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/velquin\")
    set(VELQUIN_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/velquin/velquin-launch\")
    configure_file(${templates}/velquin-launch.in ${generated}/velquin-launch @ONLY)
    configure_file(${templates}/velquin.desktop.in ${generated}/velquin.desktop @ONLY)
  ")
  install(PROGRAMS ${generated}/velquin-launch DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/velquin)
  install(FILES ${generated}/velquin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/velquin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velquin)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Artificial market simulator with learning agents")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A population of agents forecasts the weekly rate of one market from factor\n\
values; their orders clear on a ladder of price levels and a genetic\n\
algorithm breeds them every week. velquin is the desktop program,\n\
velquin-cli the command line for batch runs and summaries.")
set(CPACK_PACKAGE_CONTACT "VELQUIN KRA developers <velquin@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The shared libraries the programs link, found by dpkg-shlibdeps; the font
# the charts are drawn with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
include(CPack)
