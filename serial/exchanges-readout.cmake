if(NOT VEXAGRID_CODECS_ONLY)
  target_sources(vexagrid_exchanges PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/readup.h ${CMAKE_CURRENT_LIST_DIR}/readup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/statusquery.h ${CMAKE_CURRENT_LIST_DIR}/statusquery.cpp)
endif()
