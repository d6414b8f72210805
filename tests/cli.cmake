# vexagrid-cli, run as a program against simulated modules.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid-cli AND TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_cli
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cli.cpp
    LIBS vexagrid_core vexagrid_device vexagrid_testsim
    TIMEOUT 180)
  add_dependencies(tst_cli vexagrid-cli)
endif()
