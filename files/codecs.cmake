target_sources(vexagrid_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/configcodec.h
  ${CMAKE_CURRENT_LIST_DIR}/configcodec.cpp)
