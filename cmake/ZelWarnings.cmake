# Every target of the project gets the same warning set; CI builds turn them into errors.
function(zel_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports -Wrestrict inside libstdc++ for plain `"text" + std::string` at -O2 and
    # above (GCC bug 105651); the warning says nothing about our code there.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(ZEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
