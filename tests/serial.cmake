# The serial line's tests, and the fixture every end-to-end test links: a temporary
# device directory with simulated modules in it (tests/support/simfixture.h).
if(TARGET vexagrid_device AND TARGET vexagrid_sim)
  add_library(vexagrid_testsim STATIC
    ${CMAKE_CURRENT_LIST_DIR}/support/simfixture.h ${CMAKE_CURRENT_LIST_DIR}/support/simfixture.cpp)
  target_include_directories(vexagrid_testsim PUBLIC "${CMAKE_CURRENT_LIST_DIR}/..")
  target_link_libraries(vexagrid_testsim PUBLIC vexagrid_sim Qt6::Core)

  vexagrid_add_qtest(NAME tst_serial
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_serial.cpp
    LIBS vexagrid_device vexagrid_form vexagrid_testsim vexagrid_testsupport
    TIMEOUT 120)
  vexagrid_add_qtest(NAME tst_sim
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sim.cpp
    LIBS vexagrid_device vexagrid_testsim
    TIMEOUT 120)
  # tst_sim also runs the vexagrid-sim program.
  add_dependencies(tst_sim vexagrid-sim)
endif()

# The simulated module's protocol alone, without a pty or a thread.
if(TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_simprotocol
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_simprotocol.cpp
    LIBS vexagrid_sim)
endif()
