# SPDX-License-Identifier: GPL-3.0-or-later
# Installs Veltane as a desktop application (the executable and its codec
# module, its menu entry, icons, AppStream metainfo and manual page, under
# GNUInstallDirs so that the prefix can be set and DESTDIR is honoured) and
# describes its Debian package.
# Included at the end of the top-level CMakeLists.txt, once the veltane target
# exists. scripts/package builds the package.

include(GNUInstallDirs)

# The version comes from project() alone; the release date goes with it into
# the metainfo, the manual page and the package's changelog.
set(VELTANE_RELEASE_DATE "2026-12-07")
set(VELTANE_RELEASE_DATE_RFC2822 "Mon, 07 Dec 2026 12:00:00 +0000")
set(VELTANE_APP_ID "example.veltane.Veltane")

set(_res "${PROJECT_SOURCE_DIR}/res")
set(_out "${PROJECT_BINARY_DIR}/install")
configure_file("${_res}/${VELTANE_APP_ID}.metainfo.xml.in" "${_out}/${VELTANE_APP_ID}.metainfo.xml" @ONLY)
configure_file("${_res}/veltane.1.in" "${_out}/veltane.1" @ONLY)
configure_file("${_res}/debian/changelog.in" "${_out}/changelog" @ONLY)

# Manual pages and changelogs ship compressed; -n keeps the name and time out
# of the header so the package is reproducible.
find_program(VELTANE_GZIP gzip REQUIRED)
foreach(_file IN ITEMS veltane.1 changelog)
  add_custom_command(OUTPUT "${_out}/${_file}.gz"
    COMMAND "${VELTANE_GZIP}" -9nf --keep "${_out}/${_file}"
    DEPENDS "${_out}/${_file}"
    VERBATIM)
endforeach()
add_custom_target(veltane_install_files ALL DEPENDS "${_out}/veltane.1.gz" "${_out}/changelog.gz")

set(VELTANE_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/veltane")
install(TARGETS veltane RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# The codec module in the package's private library directory, found from the
# executable wherever the prefix puts both.
install(TARGETS veltane_codec LIBRARY DESTINATION "${VELTANE_CODEC_INSTALL_DIR}")
file(RELATIVE_PATH _codec_from_bin "/${CMAKE_INSTALL_BINDIR}" "/${VELTANE_CODEC_INSTALL_DIR}")
set_target_properties(veltane PROPERTIES INSTALL_RPATH "$ORIGIN/${_codec_from_bin}")
install(FILES "${_res}/${VELTANE_APP_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
install(FILES "${_out}/${VELTANE_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")
install(DIRECTORY "${_res}/icons/hicolor" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons")
install(FILES "${_out}/veltane.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${_res}/debian/copyright" "${_out}/changelog.gz" DESTINATION "${VELTANE_INSTALL_DOCDIR}")

# The Debian package: CPack's DEB generator packs exactly what the rules above
# install, and dpkg-shlibdeps turns the executable's libraries into Depends.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltane)
set(CPACK_PACKAGE_VENDOR "Veltane Bellworks")
set(CPACK_PACKAGE_CONTACT "Veltane Bellworks <bells@veltane.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://veltane.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find a recorded bell's note by ear")
set(CPACK_PACKAGE_DESCRIPTION
  "Veltane helps bell tuners find the frequency of a recorded bell's note by ear.
A pure sine tone, tunable from 100.0 to 1500.0 Hz in steps of 0.1 Hz, plays
without pause in the left ear while a WAV or MP3 recording of the bell plays
once, on demand, in the right ear. When the two sound alike, the window shows
the bell's frequency.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
