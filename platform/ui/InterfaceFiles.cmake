# ke_copy_interface_file(<target> <ui file> [<directory>])
# Keeps a copy of an interface file beside <target>'s executable (default
# directory: the current binary directory), where the program looks first.
function(ke_copy_interface_file target ui_file)
  set(directory ${CMAKE_CURRENT_BINARY_DIR})
  if(ARGC GREATER 2)
    set(directory ${ARGV2})
  endif()
  get_filename_component(name ${ui_file} NAME)
  set(copy ${directory}/${name})
  string(MAKE_C_IDENTIFIER "${target}_${name}" copy_target)
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ui_file} ${copy}
    DEPENDS ${ui_file}
    COMMENT "Copying ${name} beside ${target}")
  add_custom_target(${copy_target} DEPENDS ${copy})
  add_dependencies(${target} ${copy_target})
endfunction()
