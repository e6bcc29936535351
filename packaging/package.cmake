# Desktop entry, icons, manual pages, bash completion, AppStream metadata and the package's
# documentation for installation, r7k-pjlink's systemd service, and the Debian package that
# carries them with the four programs (`cd build && cpack -G DEB`).
# The programs themselves are installed by the top-level CMakeLists.txt.

include(GNUInstallDirs)

set(R7K_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(R7K_IMAGES_DIR ${PROJECT_SOURCE_DIR}/images)

install(FILES ${R7K_PACKAGING_DIR}/r7k-panel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32)
  install(FILES ${R7K_IMAGES_DIR}/icon${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME r7k-panel.png)
endforeach()

install(FILES ${R7K_PACKAGING_DIR}/org.example.r7k_panel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${R7K_PACKAGING_DIR}/r7k-ctl.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME r7k-ctl)

# Manual pages and the changelog go out compressed, as Debian expects; -n keeps the name and
# time stamp out of the archive so the package's bytes depend only on the text.
find_program(R7K_GZIP gzip REQUIRED)
function(r7k_gzip file out_var)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/gz/${file})
  add_custom_command(
    OUTPUT ${out}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${R7K_PACKAGING_DIR}/${file} ${out}
    COMMAND ${R7K_GZIP} -9 -n -f ${out}
    DEPENDS ${R7K_PACKAGING_DIR}/${file}
    COMMENT "Compressing ${file}"
    VERBATIM)
  set(${out_var} ${out}.gz PARENT_SCOPE)
endfunction()
set(R7K_MAN_PAGES)
foreach(page r7k-panel.1 r7k-sim.1 r7k-ctl.1 r7k-pjlink.1)
  r7k_gzip(${page} gz)
  list(APPEND R7K_MAN_PAGES ${gz})
endforeach()
r7k_gzip(changelog R7K_CHANGELOG)
add_custom_target(r7k_man_pages ALL DEPENDS ${R7K_MAN_PAGES} ${R7K_CHANGELOG})
install(FILES ${R7K_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# A package whose version has no Debian revision is native: its changelog is changelog.gz.
install(FILES ${R7K_CHANGELOG} ${R7K_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# r7k-pjlink as a service: a template unit, one instance per projector, whose settings the
# administrator writes into /etc/r7k-pjlink. Debian 12 keeps the units of packages in
# /lib/systemd/system. The package enables and starts nothing.
install(FILES ${R7K_PACKAGING_DIR}/r7k-pjlink@.service DESTINATION /lib/systemd/system)
install(FILES ${R7K_PACKAGING_DIR}/r7k-pjlink.conf.example
              ${R7K_PACKAGING_DIR}/r7k-pjlink-alerts.yml
              ${R7K_PACKAGING_DIR}/r7k-pjlink-alerts.test.yml
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(DIRECTORY DESTINATION /etc/r7k-pjlink)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME r7k-panel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The r7k-panel developers")
set(CPACK_PACKAGE_CONTACT "The r7k-panel developers <r7k-panel@example.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/r7k-panel/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "control panel for R7KM and R7K data projectors on a serial line")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A desktop window of push-buttons that send the projector's RS-232C\n"
    "commands (power, input, volume, picture, lens and status queries), show\n"
    "every command and reply as text and decode the replies to queries. A\n"
    "projector behind a serial-to-network gateway (raw TCP or RFC 2217) works\n"
    "too. Includes r7k-ctl, which runs the same commands and queries from\n"
    "scripts, r7k-pjlink, a service that answers PJLink on the network for a\n"
    "projector on its serial line (a systemd unit per projector), and r7k-sim,\n"
    "a simulated projector on a pseudo-terminal or a TCP port for trying them\n"
    "without hardware.")
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
