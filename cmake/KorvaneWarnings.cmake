# Warning flags shared by the project's own targets.
function(korvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2 -Wno-unused-parameter)
endfunction()
