# Project code is built with all warnings as errors; third-party code is not ours to fix.
function(quillbox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 reports -Wrestrict inside libstdc++'s string concatenation when optimising
  # ("text" + std::to_string(n)), a known false positive of that release.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
