# One place for the warning set every target of the project uses.
add_library(launcher_warnings INTERFACE)
target_compile_options(launcher_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
if(LAUNCHER_WERROR)
  target_compile_options(launcher_warnings INTERFACE -Werror)
endif()
