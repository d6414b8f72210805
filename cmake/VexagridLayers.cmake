# vexagrid_write_link_graph(<file>)
#
# Writes, once the whole project is configured, every target with its folder and its links
# as they stand (generator expressions and all), for cmake/check-layers.cmake to judge. The
# link graph is the one record of who may use whom: the checker reads the layers from it, so
# a new layer needs no edit of the check. Nothing is interpreted here; what the checker
# cannot read it refuses.
function(vexagrid_write_link_graph file)
  # A deferred call reads its arguments when it runs: the file name goes in as text.
  cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]]
    CALL _vexagrid_write_link_graph [[${file}]])")
endfunction()

# vexagrid_directories(<dir> <out>): <dir> and every folder added below it.
function(vexagrid_directories dir out)
  set(all "${dir}")
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    vexagrid_directories("${sub}" below)
    list(APPEND all ${below})
  endforeach()
  set(${out} "${all}" PARENT_SCOPE)
endfunction()

# Appends `set(<name> <value>)` to the script in `out`, both as bracket arguments, so that
# any text reads back as it was.
function(_vexagrid_graph_set out name value)
  set(eq "=")
  while("${name}${value}" MATCHES "]${eq}]")
    string(APPEND eq "=")
  endwhile()
  set(${out} "${${out}}set([${eq}[${name}]${eq}] [${eq}[${value}]${eq}])\n" PARENT_SCOPE)
endfunction()

function(_vexagrid_write_link_graph file)
  vexagrid_directories("${CMAKE_SOURCE_DIR}" dirs)
  set(names "")
  set(body "")
  foreach(dir IN LISTS dirs)
    get_property(built DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
    get_property(imported DIRECTORY "${dir}" PROPERTY IMPORTED_TARGETS)
    foreach(target IN LISTS built imported)
      if(target IN_LIST names)
        continue()
      endif()
      list(APPEND names "${target}")
      if(NOT TARGET "${target}")
        # An imported target of a folder, out of sight from here: its links are unknown.
        _vexagrid_graph_set(body "${target}.readable" FALSE)
        continue()
      endif()
      _vexagrid_graph_set(body "${target}.readable" TRUE)
      get_target_property(is_imported "${target}" IMPORTED)
      set(folder "")
      if(NOT is_imported)
        file(RELATIVE_PATH folder "${CMAKE_SOURCE_DIR}" "${dir}")
        if(folder STREQUAL "")
          set(folder ".")
        endif()
      endif()
      _vexagrid_graph_set(body "${target}.folder" "${folder}")
      set(links "")
      foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(value "${target}" ${property})
        if(value)
          list(APPEND links "${value}")
        endif()
      endforeach()
      _vexagrid_graph_set(body "${target}.links" "${links}")
    endforeach()
  endforeach()
  _vexagrid_graph_set(body graph_targets "${names}")
  file(WRITE "${file}"
    "# Every target, its folder (empty: imported) and its links, as configured.\n${body}")
endfunction()
