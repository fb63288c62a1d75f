# LAUNCHER_SANITIZE=address,undefined or thread: applied to every target of the build.
if(LAUNCHER_SANITIZE)
  set(_flags -fsanitize=${LAUNCHER_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${_flags})
  add_link_options(${_flags})
endif()
