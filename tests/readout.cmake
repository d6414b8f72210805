# Reading the configuration out of the module and the status query, end to end against
# the simulated module.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid_sim)
  foreach(_readout_test IN ITEMS tst_readup tst_status)
    vexagrid_add_qtest(NAME ${_readout_test}
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/${_readout_test}.cpp
      LIBS vexagrid_windowfixture vexagrid_testsim
      TIMEOUT 60)
  endforeach()
endif()
