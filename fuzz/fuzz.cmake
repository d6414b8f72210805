# One fuzz target per codec, and two for the paths every file and every read-out takes
# through Configuration and the download's checks. With VEXAGRID_FUZZ (clang only) they are
# libFuzzer programs, and the core is built with coverage instrumentation and the address
# and undefined-behaviour checks. Otherwise each target is linked with driver.cpp, a short
# deterministic run that the test suite always contains.
set(_fuzz_codecs fieldrules configcodec readoutcodec statuscodec downloadframe)
set(_fuzz_forms configuration readoutfill)
# The command line's parsers (the --each table, --port, --set, the whole command line), where
# the command line is built at all.
set(_fuzz_cli "")
if(TARGET vexagrid_cli)
  set(_fuzz_cli cliparsers)
endif()
# The record's bundle reader (a file from another machine), where the record is built.
set(_fuzz_record "")
if(TARGET vexagrid_record)
  set(_fuzz_record recordbundle)
endif()

# Inputs per bounded run of the suite. The form targets open, check and save a whole
# configuration per input, so they get fewer: each takes a fraction of a second in a normal
# build and about two under the sanitizers.
set(_fuzz_runs_configuration 1000)
set(_fuzz_runs_readoutfill 8000)
# Each input is a transaction on a record.
set(_fuzz_runs_recordbundle 2000)

if(VEXAGRID_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VEXAGRID_FUZZ needs clang (for example -DCMAKE_CXX_COMPILER=clang++-14)")
  endif()
  target_compile_options(vexagrid_core PRIVATE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(vexagrid_core INTERFACE -fsanitize=address,undefined)
  foreach(_library IN ITEMS vexagrid_cli vexagrid_record)
    if(TARGET ${_library})
      target_compile_options(${_library} PRIVATE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    endif()
  endforeach()
endif()

# The form targets start from the shipped defaults file; its bytes are compiled in, so that a
# target runs from any directory and a changed file is fuzzed as it is.
set(_fuzz_defaults "${PROJECT_SOURCE_DIR}/resources/defval_vg.dll")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_fuzz_defaults}")
file(READ "${_fuzz_defaults}" _fuzz_defaults_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _fuzz_defaults_hex "${_fuzz_defaults_hex}")
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/defaultsfile.inc"
     CONTENT "${_fuzz_defaults_hex}\n" @ONLY)

foreach(_name IN LISTS _fuzz_codecs _fuzz_forms _fuzz_cli _fuzz_record)
  set(_target fuzz_${_name})
  add_executable(${_target} ${CMAKE_CURRENT_LIST_DIR}/${_target}.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/fuzztarget.h)
  if(_name IN_LIST _fuzz_forms)
    target_sources(${_target} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/formproperties.h
                                      ${CMAKE_CURRENT_LIST_DIR}/formproperties.cpp)
    target_include_directories(${_target} PRIVATE "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  if(_name IN_LIST _fuzz_cli)
    target_link_libraries(${_target} PRIVATE vexagrid_cli)
  elseif(_name IN_LIST _fuzz_record)
    target_link_libraries(${_target} PRIVATE vexagrid_record)
  else()
    target_link_libraries(${_target} PRIVATE vexagrid_core)
  endif()
  set_target_properties(${_target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
  # The runs of a target that sets none: 5000 under libFuzzer, 3000 with the driver.
  set(_runs "")
  if(DEFINED _fuzz_runs_${_name})
    set(_runs ${_fuzz_runs_${_name}})
  endif()
  # Inputs kept by hand (the faults found so far among them) are replayed first and
  # mutated like the built-in seeds; a libFuzzer session reads the folder as a corpus.
  set(_seeds "${CMAKE_CURRENT_LIST_DIR}/seeds/${_target}")
  if(VEXAGRID_FUZZ)
    target_compile_options(${_target} PRIVATE
      -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
    target_link_options(${_target} PRIVATE -fsanitize=fuzzer,address,undefined)
    if(NOT _runs)
      set(_runs 5000)
    endif()
    set(_fuzz_command ${_target} -runs=${_runs} -seed=1 -max_len=4096)
  else()
    target_sources(${_target} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/driver.cpp)
    if(NOT _runs)
      set(_runs 3000)
    endif()
    set(_fuzz_command ${_target} --runs ${_runs})
    if(IS_DIRECTORY "${_seeds}")
      list(APPEND _fuzz_command "${_seeds}")
    endif()
  endif()
  if(VEXAGRID_TESTS)
    add_test(NAME ${_target} COMMAND ${_fuzz_command}
             WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
    set_tests_properties(${_target} PROPERTIES TIMEOUT 120 LABELS fuzz)
  endif()
endforeach()
