# One fuzz target per codec. With VEXAGRID_FUZZ (clang only) they are libFuzzer programs, and the
# codecs are built with coverage instrumentation and the address and undefined-behaviour checks.
# Otherwise each target is linked with driver.cpp, a short deterministic run that the test suite
# always contains.
set(_fuzz_codecs fieldrules configcodec readoutcodec statuscodec downloadframe)

if(VEXAGRID_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VEXAGRID_FUZZ needs clang (for example -DCMAKE_CXX_COMPILER=clang++-14)")
  endif()
  target_compile_options(vexagrid_core PRIVATE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(vexagrid_core INTERFACE -fsanitize=address,undefined)
endif()

foreach(_codec IN LISTS _fuzz_codecs)
  set(_target fuzz_${_codec})
  add_executable(${_target} ${CMAKE_CURRENT_LIST_DIR}/${_target}.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/fuzztarget.h)
  target_link_libraries(${_target} PRIVATE vexagrid_core)
  set_target_properties(${_target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
  if(VEXAGRID_FUZZ)
    target_compile_options(${_target} PRIVATE
      -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
    target_link_options(${_target} PRIVATE -fsanitize=fuzzer,address,undefined)
    set(_fuzz_command ${_target} -runs=5000 -seed=1 -max_len=4096)
  else()
    target_sources(${_target} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/driver.cpp)
    set(_fuzz_command ${_target} --runs 3000)
  endif()
  if(VEXAGRID_TESTS)
    add_test(NAME ${_target} COMMAND ${_fuzz_command}
             WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
    set_tests_properties(${_target} PROPERTIES TIMEOUT 120 LABELS fuzz)
  endif()
endforeach()
