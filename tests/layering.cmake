# The layers point one way: a file includes only from the layers below its own, and the
# headless libraries link no widgets (cmake/check-layers.cmake).
function(_vexagrid_link_closure target out)
  set(seen "")
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue item)
    if(item IN_LIST seen OR item MATCHES "^\\$<" OR item MATCHES "^-")
      continue()
    endif()
    list(APPEND seen ${item})
    if(TARGET ${item})
      get_target_property(direct ${item} LINK_LIBRARIES)
      get_target_property(interface ${item} INTERFACE_LINK_LIBRARIES)
      foreach(next IN LISTS direct interface)
        if(next AND NOT next MATCHES "-NOTFOUND$")
          list(APPEND queue ${next})
        endif()
      endforeach()
    endif()
  endwhile()
  list(REMOVE_ITEM seen ${target})
  set(${out} "${seen}" PARENT_SCOPE)
endfunction()

set(_headless_targets vexagrid_core vexagrid_device vexagrid_cli vexagrid-cli vexagrid_sim)
set(_links "")
foreach(_target IN LISTS _headless_targets)
  if(TARGET ${_target})
    _vexagrid_link_closure(${_target} _closure)
    string(APPEND _links "${_target}: ${_closure}\n")
  endif()
endforeach()
file(WRITE "${CMAKE_BINARY_DIR}/layering/links.txt" "${_links}")

add_test(NAME layering
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DLINKS_FILE=${CMAKE_BINARY_DIR}/layering/links.txt
          -P ${CMAKE_SOURCE_DIR}/cmake/check-layers.cmake)
