# quen_write_if_changed(FILE CONTENT): writes CONTENT to FILE only when FILE does not hold it
# already. A file the build generates at configure time keeps its time stamp while its content
# stays the same, so configuring again rebuilds nothing that depends on it.
function(quen_write_if_changed file content)
  if(EXISTS ${file})
    file(READ ${file} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${file} "${content}")
endfunction()
