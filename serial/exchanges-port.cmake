if(NOT VEXAGRID_CODECS_ONLY)
  target_sources(vexagrid_exchanges PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/portselection.h ${CMAKE_CURRENT_LIST_DIR}/portselection.cpp)
endif()
