# Warnings for every target of the project; CI turns them into errors.
function(ryx_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    -Wconversion -Wsign-conversion -Wshadow -Wold-style-cast)
  if(RYX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
