# Time on the line against the line's speed (not a test: run it by hand).
if(TARGET vexagrid_device AND TARGET vexagrid_sim)
  add_executable(bench_line ${CMAKE_CURRENT_LIST_DIR}/bench_line.cpp)
  target_link_libraries(bench_line PRIVATE vexagrid_device vexagrid_sim)
endif()
