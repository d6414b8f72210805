# The record's questions on a million events, and what one more event costs (run by hand).
if(TARGET vexagrid_record)
  add_executable(bench_record ${CMAKE_CURRENT_LIST_DIR}/bench_record.cpp)
  target_link_libraries(bench_record PRIVATE vexagrid_record)
endif()
