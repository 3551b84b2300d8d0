# Project code is built with all warnings as errors; third-party code is not ours to fix.
function(quillbox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
