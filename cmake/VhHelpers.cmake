# vh_library(NAME SOURCES ... DEPS ...): a subsystem's static library.
function(vh_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS} PRIVATE vh_warnings)
endfunction()

# vh_test(NAME SOURCES ... DEPS ... [LABELS ...]): one GoogleTest program, its cases registered with CTest.
function(vh_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main vh_warnings)
  if(A_LABELS)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${A_LABELS}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# vh_bench(NAME SOURCES ... DEPS ...): one Google Benchmark program.
function(vh_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark vh_warnings)
endfunction()
