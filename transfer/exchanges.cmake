if(NOT VEXAGRID_CODECS_ONLY)
  target_sources(vexagrid_exchanges PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/download.h ${CMAKE_CURRENT_LIST_DIR}/download.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dload.h ${CMAKE_CURRENT_LIST_DIR}/dload.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dload.ui
    ${CMAKE_CURRENT_LIST_DIR}/dlthread.h ${CMAKE_CURRENT_LIST_DIR}/dlthread.cpp)
endif()
