# launcher_add_test(name LABEL unit|integration|e2e SOURCES ... [LIBS ...] [TIMEOUT s] [GTK])
# One CTest entry per test program. Under a cross build CMake runs it through
# CMAKE_CROSSCOMPILING_EMULATOR (wine). GTK programs run on the real desktop instead of the
# headless one.
function(launcher_add_test name)
  cmake_parse_arguments(T "GTK" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  set(support launcher_test_support)
  if(T_GTK)
    set(support launcher_test_support_gtk)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${support} GTest::gtest GTest::gtest_main
                        launcher_warnings)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "LAUNCHER_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
