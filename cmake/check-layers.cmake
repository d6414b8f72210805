# Fails when the layers point the wrong way. Run by CTest (tests/layering.cmake):
#   cmake -DSOURCE_DIR=<tree> -DLINKS_FILE=<file> -P check-layers.cmake
#
# 1. A file of a layer includes only from its own layer and the layers below it:
#      core < device < form < app;  sheet stands on core;  cli on core, device and sheet;
#      app may use sheet too;  sim on nothing of ours.
#    The generated forms (ui_*.h) are widgets: only form and app may include them.
# 2. The headless libraries and programs link no Qt Widgets; core, device and the simulated
#    module no Qt Gui either (the command line needs Gui for the PDF sheet only). LINKS_FILE
#    holds, per target, what it must not link and everything it links directly or through
#    another library.
cmake_minimum_required(VERSION 3.25)
set(layers core device sheet form app cli sim)
set(allowed_core core)
set(allowed_device core device)
set(allowed_sheet core sheet)
set(allowed_form core device form)
set(allowed_app core device form sheet app)
set(allowed_cli core device sheet cli)
set(allowed_sim sim)
set(widget_free core device sheet cli sim)

set(problems "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
      set(included "${CMAKE_MATCH_1}")
      if(included MATCHES "^([A-Za-z_]+)/")
        set(other "${CMAKE_MATCH_1}")
        if(other IN_LIST layers AND NOT other IN_LIST allowed_${layer})
          string(APPEND problems "  ${shown}: includes \"${included}\" (${layer} may use: ${allowed_${layer}})\n")
        endif()
      elseif(included MATCHES "^ui_" AND layer IN_LIST widget_free)
        string(APPEND problems "  ${shown}: includes the widget form \"${included}\"\n")
      endif()
    endforeach()
  endforeach()
endforeach()

file(STRINGS "${LINKS_FILE}" links)
foreach(line IN LISTS links)
  if(line MATCHES "^([^ ]+) ([^:]+): (.*)$")
    string(REPLACE "," ";" forbiddenList "${CMAKE_MATCH_1}")
    set(target "${CMAKE_MATCH_2}")
    set(closure "${CMAKE_MATCH_3}")
    foreach(forbidden IN LISTS forbiddenList)
      if(forbidden IN_LIST closure)
        string(APPEND problems "  ${target} links ${forbidden}\n")
      endif()
    endforeach()
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "The layers point the wrong way:\n${problems}")
endif()
message(STATUS "Layers: every include points down, the headless targets link no widgets.")
