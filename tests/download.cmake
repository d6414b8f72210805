# Writing the configuration into the module, end to end against simulated modules.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_download
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_download.cpp
    LIBS vexagrid_windowfixture vexagrid_testsim
    TIMEOUT 120)
  # The dialog's picture, for the screenshots; the tests pass without it.
  if(TARGET vexagrid_resources)
    target_link_libraries(tst_download PRIVATE vexagrid_resources)
  endif()
endif()
# Refused values never reach the module, and one problem shows one box.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_refusedneversent
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_refusedneversent.cpp
    LIBS vexagrid_windowfixture vexagrid_testsim
    TIMEOUT 120)
endif()
