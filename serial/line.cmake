# The serial line: SerialPort and the COM port map.
if(TARGET vexagrid_line)
  target_sources(vexagrid_line PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/serialport.h ${CMAKE_CURRENT_LIST_DIR}/serialport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portmap.h ${CMAKE_CURRENT_LIST_DIR}/portmap.cpp)
endif()
