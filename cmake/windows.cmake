# The Windows build: r7k-panel.exe, r7k-ctl.exe and r7k-pjlink.exe on the toolkit-free core and src/win/.
enable_language(RC)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release)
endif()
add_compile_options(-Wall -Wextra)
# Unicode Win32 API throughout; Windows 10 and later.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00
                        WINVER=0x0A00 R7K_VERSION="${PROJECT_VERSION}")

include(cmake/core.cmake)
r7k_layer(r7k_ctl ctl BELOW r7k_session)

# The Win32 adapters: UI thread, timers, serial and gateway ports, registry, the window.
r7k_include_root(win R7K_WIN_ROOT)
file(GLOB R7K_WIN_SOURCES CONFIGURE_DEPENDS src/win/*.cpp)
list(FILTER R7K_WIN_SOURCES EXCLUDE REGEX "/panel_main\\.cpp$")
add_library(r7k_win STATIC ${R7K_WIN_SOURCES})
target_include_directories(r7k_win PUBLIC ${R7K_WIN_ROOT})
# SetupAPI, COM (ole32) and shell32 are loaded when first needed (win/late_library.h), so
# they are not linked: every start would map them.
# Winsock (ws2_32) carries the gateway ports.
target_link_libraries(r7k_win PUBLIC r7k_panel comctl32 advapi32 uuid gdi32 user32 winmm ws2_32)

set(R7K_RESOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows)
target_include_directories(r7k_win PUBLIC ${R7K_RESOURCE_DIR})  # resource_ids.h
add_executable(r7k-panel WIN32 src/win/panel_main.cpp ${R7K_RESOURCE_DIR}/r7k-panel.rc)
target_link_libraries(r7k-panel PRIVATE r7k_win)
add_executable(r7k-ctl src/ctl/win/main.cpp ${R7K_RESOURCE_DIR}/r7k-ctl.rc)
target_link_libraries(r7k-ctl PRIVATE r7k_ctl r7k_win)
# r7k-pjlink.exe: the PJLink service on the toolkit-free core, its sockets on Winsock
# (iphlpapi lists the interfaces for the search answer), in a console or as a Windows service.
r7k_layer(r7k_pjlink pjlink BELOW r7k_session)
file(GLOB R7K_PJLINK_WIN_SOURCES CONFIGURE_DEPENDS src/pjlink/win/*.cpp)
add_executable(r7k-pjlink ${R7K_PJLINK_WIN_SOURCES} ${R7K_RESOURCE_DIR}/r7k-pjlink.rc)
target_link_libraries(r7k-pjlink PRIVATE r7k_pjlink r7k_win iphlpapi ws2_32 advapi32 shell32 ole32)
target_link_options(r7k-panel PRIVATE -municode -static -s)
target_link_options(r7k-ctl PRIVATE -municode -static -s)
target_link_options(r7k-pjlink PRIVATE -municode -static -s)
# The resource scripts name their files from the top of the source tree; windres looks for them
# in its include folders. The version resource takes its numbers from the project's version.
foreach(exe r7k-panel r7k-ctl r7k-pjlink)
  target_include_directories(${exe} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CMAKE_CURRENT_SOURCE_DIR}>)
  target_compile_definitions(${exe} PRIVATE
    $<$<COMPILE_LANGUAGE:RC>:R7K_VERSION_QUAD=${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0>
    $<$<COMPILE_LANGUAGE:RC>:R7K_VERSION_DOTTED=${PROJECT_VERSION}.0>)
endforeach()
set_property(SOURCE ${R7K_RESOURCE_DIR}/r7k-panel.rc ${R7K_RESOURCE_DIR}/r7k-ctl.rc
  ${R7K_RESOURCE_DIR}/r7k-pjlink.rc APPEND
  PROPERTY OBJECT_DEPENDS ${R7K_RESOURCE_DIR}/r7k-panel.ico ${R7K_RESOURCE_DIR}/r7k.manifest
  ${R7K_RESOURCE_DIR}/version.rc2 ${R7K_RESOURCE_DIR}/resource_ids.h
  ${CMAKE_CURRENT_SOURCE_DIR}/images/logo.bmp
  ${CMAKE_CURRENT_SOURCE_DIR}/images/logo@2x.bmp)

include(${R7K_RESOURCE_DIR}/packages.cmake)


# Benchmarks under Wine (bench/wine-run.sh), built on request only.
include(bench/windows.cmake)
