target_sources(vexagrid_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/readoutcodec.h
  ${CMAKE_CURRENT_LIST_DIR}/readoutcodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/statuscodec.h
  ${CMAKE_CURRENT_LIST_DIR}/statuscodec.cpp)
