# Layering as a build fact. A layer compiles against a folder of its own in
# the build tree that holds links to the layers it may use and to nothing
# else; #include "core/Encoder.h" keeps its spelling, while core/ including a
# ui/ header (or a Qt one, which no core target is given) fails to compile.
#
#   ryx_layer_includes(<target> <PUBLIC|PRIVATE> <layer> [<layer> ...])
function(ryx_layer_includes target scope)
  list(JOIN ARGN "+" name)
  set(root ${PROJECT_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(layer IN LISTS ARGN)
    if(NOT IS_SYMLINK ${root}/${layer})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
