# The port dialog and the identification of the module.
if(NOT VEXAGRID_CODECS_ONLY)
  target_sources(vexagrid_exchanges PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/portselection.h ${CMAKE_CURRENT_LIST_DIR}/portselection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/setcom.h ${CMAKE_CURRENT_LIST_DIR}/setcom.cpp
    ${CMAKE_CURRENT_LIST_DIR}/setcom.ui)
endif()
