target_sources(vexagrid_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/fieldrules.h
  ${CMAKE_CURRENT_LIST_DIR}/fieldrules.cpp)
