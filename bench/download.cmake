# A whole download through the dialog and its worker, against the line's own time (run by hand).
if(TARGET vexagrid_app AND TARGET vexagrid_sim)
  add_executable(bench_download ${CMAKE_CURRENT_LIST_DIR}/bench_download.cpp)
  target_link_libraries(bench_download PRIVATE vexagrid_app vexagrid_sim)
endif()
