# launcher_add_test(name LABEL unit|integration|e2e SOURCES ... [LIBS ...] [TIMEOUT s] [GTK]
#                   [WIN32_DESKTOP] [SLOW Suite.Test ...])
# One CTest entry per test program, each with user folders of its own (support/test_main.cpp).
# SLOW names tests of the program that take minutes and a whole machine: they get an entry of
# their own, <name>_slow, labelled slow besides LABEL and run alone (RUN_SERIAL), and the
# program's entry leaves them out.
# Under a cross build CMake runs it through CMAKE_CROSSCOMPILING_EMULATOR (wine). GTK and
# WIN32_DESKTOP programs run on the real desktop instead of the headless one; the Win32 ones
# share Wine's one screen and pointer, so they run one at a time.
function(launcher_add_test name)
  cmake_parse_arguments(T "GTK;WIN32_DESKTOP" "LABEL;TIMEOUT" "SOURCES;LIBS;SLOW" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  set(support launcher_test_support)
  if(T_GTK)
    set(support launcher_test_support_gtk)
  endif()
  if(T_WIN32_DESKTOP)
    set(support launcher_test_support_win32)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${support} GTest::gtest launcher_test_main
                        launcher_warnings)
  set(entries ${name})
  if(T_SLOW)
    list(JOIN T_SLOW ":" slow_filter)
    add_test(NAME ${name} COMMAND ${name} --gtest_filter=-${slow_filter})
    add_test(NAME ${name}_slow COMMAND ${name} --gtest_filter=${slow_filter})
    list(APPEND entries ${name}_slow)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${entries} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "LAUNCHER_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(T_SLOW)
    set_tests_properties(${name}_slow PROPERTIES LABELS "${T_LABEL};slow" RUN_SERIAL TRUE)
  endif()
  if(T_WIN32_DESKTOP)
    set_tests_properties(${entries} PROPERTIES RESOURCE_LOCK wine_screen)
  endif()
endfunction()
