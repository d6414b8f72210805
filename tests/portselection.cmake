# The port dialog and the identification, end to end against simulated modules.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_portselection
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_portselection.cpp
    LIBS vexagrid_windowfixture vexagrid_testsim
    TIMEOUT 120)
  # The dialog's reload icon.
  if(TARGET vexagrid_resources)
    target_link_libraries(tst_portselection PRIVATE vexagrid_resources)
  endif()
endif()
