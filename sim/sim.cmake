# The simulated module: a library that tests start in-process, and vexagrid-sim for people.
# It stands on Qt Core and a POSIX pseudo-terminal only, never on the program's own code.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  add_library(vexagrid_sim STATIC
    ${CMAKE_CURRENT_LIST_DIR}/simmodule.h ${CMAKE_CURRENT_LIST_DIR}/simmodule_p.h
    ${CMAKE_CURRENT_LIST_DIR}/simmodule.cpp ${CMAKE_CURRENT_LIST_DIR}/simpty.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simprotocol.cpp ${CMAKE_CURRENT_LIST_DIR}/simstatefile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linespeed.h ${CMAKE_CURRENT_LIST_DIR}/linespeed.cpp)
  target_include_directories(vexagrid_sim PUBLIC "${CMAKE_CURRENT_LIST_DIR}/..")
  find_package(Threads REQUIRED)
  target_link_libraries(vexagrid_sim PUBLIC Qt6::Core Threads::Threads)

  add_executable(vexagrid-sim ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(vexagrid-sim PRIVATE vexagrid_sim)
  install(TARGETS vexagrid-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
