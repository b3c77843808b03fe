# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# The Debian package, made by CPack from the install rules: ./package.sh runs it on a
# Release build. Run "cpack -G DEB" in the build folder.
set(ADDRION_MAINTAINER "Addrion team <packages@addrion.invalid>" CACHE STRING "Maintainer of the Debian package, \"Name <address>\"")
set(CPACK_PACKAGE_NAME addrion)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Addrion team")
set(CPACK_PACKAGE_CONTACT "${ADDRION_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal address book with birthday calendar and reminder")
set(CPACK_PACKAGE_DESCRIPTION
    "Addrion keeps your contacts in one database file: full name, date of birth,
postal address, a note, and lists of telephone numbers and e-mail addresses
with descriptions. It browses them with an accent-insensitive quick search,
searches by any field, exports chosen persons as text or XHTML, gathers
e-mail addresses, prints or saves a birthday calendar, and shows today's and
coming birthdays at log-on. It imports and exports vCard and CSV files, finds
persons kept twice and merges them, and keeps the address book in step with
a CardDAV server in both directions.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(ADDRION_WEBSITE)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ADDRION_WEBSITE}")
endif()
# Libraries found by dpkg-shlibdeps, plus the programs started as child processes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "sqlcipher, xdg-utils")
# Qt's own texts (buttons, file dialogs) in the chosen language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

# What Debian expects of every package's documentation folder.
set(debian_doc ${CMAKE_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/copyright ${debian_doc}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog ${debian_doc}/changelog @ONLY)
install(FILES ${debian_doc}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/addrion)

include(CPack)
