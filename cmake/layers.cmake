# One include root per layer, holding that layer's folder and nothing else, so
# that `#include "forms/form.h"` resolves only for a target that links the
# forms layer: a wrong include is a build error, not a habit.
#
#   build/layers/forms/forms -> <source>/forms
#
# A layer's root is a PUBLIC include directory of its library and travels
# with it through target_link_libraries, as the layers above need it.
function(morumoru_layer target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
