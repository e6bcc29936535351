# What an operator downloads for Windows: the per-user installer (NSIS) and a zip of the
# programs, both in the build folder; `cmake --build build-win --target packages` makes them
# after the programs.
set(R7K_STAGE ${CMAKE_BINARY_DIR}/staging)
set(R7K_SETUP ${CMAKE_BINARY_DIR}/r7k-panel-${PROJECT_VERSION}-setup.exe)
set(R7K_ZIP ${CMAKE_BINARY_DIR}/r7k-panel-${PROJECT_VERSION}-windows.zip)
# Notepad-friendly texts: CRLF line ends, and the licence with an extension Windows opens.
configure_file(${R7K_RESOURCE_DIR}/README.txt ${R7K_STAGE}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${R7K_STAGE}/LICENSE.txt @ONLY
  NEWLINE_STYLE CRLF)
set(R7K_STAGED ${R7K_STAGE}/r7k-panel.exe ${R7K_STAGE}/r7k-ctl.exe ${R7K_STAGE}/r7k-pjlink.exe
  ${R7K_STAGE}/LICENSE.txt ${R7K_STAGE}/README.txt)

add_custom_command(OUTPUT ${R7K_STAGE}/r7k-panel.exe ${R7K_STAGE}/r7k-ctl.exe
  ${R7K_STAGE}/r7k-pjlink.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:r7k-panel> $<TARGET_FILE:r7k-ctl>
    $<TARGET_FILE:r7k-pjlink> ${R7K_STAGE}
  DEPENDS r7k-panel r7k-ctl r7k-pjlink)

add_custom_command(OUTPUT ${R7K_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${R7K_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${R7K_ZIP} --format=zip r7k-panel.exe r7k-ctl.exe
    r7k-pjlink.exe LICENSE.txt README.txt
  WORKING_DIRECTORY ${R7K_STAGE}
  DEPENDS ${R7K_STAGED}
  COMMENT "Packing ${R7K_ZIP}")

find_program(R7K_MAKENSIS makensis)
if(R7K_MAKENSIS)
  set(R7K_NSIS ${R7K_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION}
    -DVERSION_QUAD=${PROJECT_VERSION}.0 -DICON=${R7K_RESOURCE_DIR}/r7k-panel.ico)
else()
  set(R7K_NSIS ${CMAKE_COMMAND} -E false)
  message(WARNING "makensis not found (Debian package nsis): the installer cannot be built")
endif()
set(R7K_NSIS_DEPENDS ${R7K_RESOURCE_DIR}/r7k-common.nsh ${R7K_RESOURCE_DIR}/r7k-panel.ico)
# The uninstaller is a program of its own (see r7k-uninstall.nsi), staged for the installer.
add_custom_command(OUTPUT ${R7K_STAGE}/uninstall.exe
  COMMAND ${R7K_NSIS} -DOUTFILE=${R7K_STAGE}/uninstall.exe ${R7K_RESOURCE_DIR}/r7k-uninstall.nsi
  DEPENDS ${R7K_RESOURCE_DIR}/r7k-uninstall.nsi ${R7K_NSIS_DEPENDS}
  COMMENT "Building the uninstaller")
add_custom_command(OUTPUT ${R7K_SETUP}
  COMMAND ${R7K_NSIS} -DSTAGE=${R7K_STAGE} -DOUTFILE=${R7K_SETUP} ${R7K_RESOURCE_DIR}/r7k-panel.nsi
  DEPENDS ${R7K_STAGED} ${R7K_STAGE}/uninstall.exe ${R7K_RESOURCE_DIR}/r7k-panel.nsi
    ${R7K_NSIS_DEPENDS}
  COMMENT "Building the installer ${R7K_SETUP}")

add_custom_target(packages DEPENDS ${R7K_SETUP} ${R7K_ZIP})
