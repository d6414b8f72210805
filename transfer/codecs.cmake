target_sources(vexagrid_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/downloadframe.h
  ${CMAKE_CURRENT_LIST_DIR}/downloadframe.cpp)
