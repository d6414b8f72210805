# vexagrid-cli writing to many modules at once against one (run by hand: bench_fleet 8).
if(TARGET vexagrid-cli AND TARGET vexagrid_sim)
  add_executable(bench_fleet ${CMAKE_CURRENT_LIST_DIR}/bench_fleet.cpp)
  target_link_libraries(bench_fleet PRIVATE vexagrid_core vexagrid_sim)
  target_compile_definitions(bench_fleet PRIVATE
    VEXAGRID_DEFAULTS_FILE="${PROJECT_SOURCE_DIR}/resources/defval_vg.dll")
  add_dependencies(bench_fleet vexagrid-cli)
endif()
