# Benchmarks of the Windows build under Wine (bench/wine-run.sh), built on request only: the
# floor, a plain Win32 window with as many controls as the panel and the same manifest, and
# the timers' pace alone.
add_executable(r7k-floor WIN32 EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/win_floor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win_floor.rc)
target_link_libraries(r7k-floor PRIVATE r7k_panel)
target_include_directories(r7k-floor PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CMAKE_SOURCE_DIR}>)
target_link_options(r7k-floor PRIVATE -municode -static -s)
add_executable(win-timer-pace EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/win_timer_pace.cpp)
target_link_libraries(win-timer-pace PRIVATE r7k_win)
target_link_options(win-timer-pace PRIVATE -municode -static)
