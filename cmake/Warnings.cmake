# One warning set for every target of the project.
function(jotlist_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(JOTLIST_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
