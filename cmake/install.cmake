# What installing Velk puts in place. Included from the top-level
# CMakeLists.txt after the velk target.
include(GNUInstallDirs)

# The manual page is installed compressed, as Debian keeps its manual pages;
# `man` and `man -l` read it as it is. gzip -n leaves out the name and time
# stamp, so the same page gives the same file.
set(VELK_MANUAL_PAGE ${CMAKE_CURRENT_BINARY_DIR}/velk.1.gz)
add_custom_command(
  OUTPUT ${VELK_MANUAL_PAGE}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/docs/velk.1 > ${VELK_MANUAL_PAGE}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/velk.1
  COMMENT "Compressing the manual page"
  VERBATIM)
add_custom_target(velk_manual ALL DEPENDS ${VELK_MANUAL_PAGE})

install(TARGETS velk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELK_MANUAL_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/velk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
set(VELK_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES data/velk.svg DESTINATION ${VELK_ICON_DIR}/scalable/apps)
install(FILES data/icons/velk-48.png DESTINATION ${VELK_ICON_DIR}/48x48/apps RENAME velk.png)
install(FILES data/icons/velk-256.png DESTINATION ${VELK_ICON_DIR}/256x256/apps RENAME velk.png)
