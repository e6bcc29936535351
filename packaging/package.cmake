# Desktop entry, icons and manual pages for installation, and the Debian package that
# carries them with the two programs (`cd build && cpack -G DEB`).
# The programs themselves are installed by the top-level CMakeLists.txt.

include(GNUInstallDirs)

set(R7K_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(R7K_IMAGES_DIR ${PROJECT_SOURCE_DIR}/src/qt/images)

install(FILES ${R7K_PACKAGING_DIR}/r7k-panel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32)
  install(FILES ${R7K_IMAGES_DIR}/icon${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME r7k-panel.png)
endforeach()

# Manual pages go out compressed, as Debian expects; -n keeps the name and time stamp out
# of the archive so the package's bytes depend only on the page.
find_program(R7K_GZIP gzip REQUIRED)
set(R7K_MAN_PAGES)
foreach(page r7k-panel.1 r7k-sim.1)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  add_custom_command(
    OUTPUT ${out}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${R7K_PACKAGING_DIR}/${page} ${out}
    COMMAND ${R7K_GZIP} -9 -n -f ${out}
    DEPENDS ${R7K_PACKAGING_DIR}/${page}
    COMMENT "Compressing manual page ${page}"
    VERBATIM)
  list(APPEND R7K_MAN_PAGES ${out}.gz)
endforeach()
add_custom_target(r7k_man_pages ALL DEPENDS ${R7K_MAN_PAGES})
install(FILES ${R7K_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME r7k-panel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "R7K panel developers")
set(CPACK_PACKAGE_CONTACT "R7K panel developers <r7k-panel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "control panel for R7KM and R7K data projectors on a serial line")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A desktop window of push-buttons that send the projector's RS-232C commands (power,\n"
    "input, volume, picture, lens and status queries), show every command and reply as\n"
    "text and decode the replies to queries. A projector behind a serial-to-network gateway\n"
    "(raw TCP or RFC 2217) works too. Includes r7k-sim, a simulated projector on a\n"
    "pseudo-terminal or TCP port for trying the panel without hardware.")
# The build type carries debug information; the package does not need it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps. Fonts and Qt platform plugins are loaded at
# run time, not linked, so it cannot see them: the captions need the IPA Gothic faces.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
