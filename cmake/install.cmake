# What installing Velk puts in place, and the Debian package made of the same
# files. Included from the top-level CMakeLists.txt after the velk target.
#
# Every rule belongs to the component "velk": CPack installs that component by
# name, so its staging install writes install_manifest_velk.txt and leaves
# install_manifest.txt, which scripts/uninstall reads, as the last real
# `cmake --install` wrote it.
include(GNUInstallDirs)

# Installing and packaging take what is built and build nothing themselves:
# `make install` and `make deb` build the program and its manual page first,
# and the install test packages the build it runs in while other tests run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The manual page and the changelog are installed compressed, as Debian keeps
# them; `man` and `man -l` read the page as it is. gzip -9 is the compression
# Debian asks for, and -n leaves out the name and time stamp, so the same text
# gives the same file.
set(VELK_MANUAL_PAGE ${CMAKE_CURRENT_BINARY_DIR}/velk.1.gz)
add_custom_command(
  OUTPUT ${VELK_MANUAL_PAGE}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/docs/velk.1 > ${VELK_MANUAL_PAGE}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/velk.1
  COMMENT "Compressing the manual page"
  VERBATIM)
# The version has no Debian revision, so the package is a native one, whose
# changelog Debian names changelog.gz (changelog.Debian.gz belongs to packages
# of an upstream release).
set(VELK_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${VELK_CHANGELOG}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/data/debian/changelog > ${VELK_CHANGELOG}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/data/debian/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
# Both are made by this one target, which `make install` and `make deb` build
# beside the program.
add_custom_target(velk_manual ALL DEPENDS ${VELK_MANUAL_PAGE} ${VELK_CHANGELOG})

install(TARGETS velk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT velk)
install(FILES ${VELK_MANUAL_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT velk)
install(FILES data/velk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT velk)
set(VELK_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES data/velk.svg DESTINATION ${VELK_ICON_DIR}/scalable/apps COMPONENT velk)
install(FILES data/icons/velk-48.png DESTINATION ${VELK_ICON_DIR}/48x48/apps
        RENAME velk.png COMPONENT velk)
install(FILES data/icons/velk-256.png DESTINATION ${VELK_ICON_DIR}/256x256/apps
        RENAME velk.png COMPONENT velk)
# The reminders while the window is closed: a user timer that runs
# "velk --remind" every minute, off until the user turns it on.
install(FILES data/systemd/velk-remind.service data/systemd/velk-remind.timer
        DESTINATION lib/systemd/user COMPONENT velk)
# The changelog and the copyright file, where Debian looks for them
# (share/doc/velk).
install(FILES ${VELK_CHANGELOG} data/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR}
        COMPONENT velk)

# The Debian package: the same files under /usr, its dependencies found by
# dpkg-shlibdeps from the libraries the program links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velk developers <velk@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop organizer for todos, appointments and notes")
# CPackDeb puts the summary above this as the first line of the description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Velk is a desktop organizer for one person. One tree of groups holds todos
with a priority and a due date, appointments and notes, shown as lists or in
a calendar of 1 to 14 days with holidays. Velk records the time spent on
todos, repeats recurring todos, finds entries by their text and keeps
descriptions enciphered under passwords.

All data lives in one text file; every change is also written at once to a
small journal file beside it, so that a crash loses no edit. Terminal
commands print the agenda, search, add entries and report the recorded time.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl is loaded when a sync first needs it, so dpkg-shlibdeps does not
# see it: named here (7.85 brought the protocol list the requests set).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85)")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_CURRENT_BINARY_DIR};velk;velk;/")
include(CPack)
