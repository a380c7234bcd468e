# vh_library(NAME SOURCES ... DEPS ...): a subsystem's static library.
function(vh_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS} PRIVATE vh_warnings)
endfunction()

# vh_link_pool_routing(TARGET): an executable's operator new and delete go through the memory
# pools when VH_POOL_ROUTING is on (the C library's malloc is never replaced).
function(vh_link_pool_routing target)
  if(VH_POOL_ROUTING AND TARGET vh_memory_routing)
    target_link_libraries(${target} PRIVATE vh_memory_routing)
    target_compile_definitions(${target} PRIVATE VH_POOL_ROUTING=1)
  endif()
endfunction()

# vh_test(NAME SOURCES ... DEPS ... [LABELS ...] [ENVIRONMENT ...] [NO_POOL_ROUTING]): one
# GoogleTest program, its cases registered with CTest (ENVIRONMENT: "NAME=value" settings for
# every case). The shared memory-manager library (tests/memlib) exports the same
# function names as the program's own memory manager, so its tests never get the routing (which
# would link the program's pools in and let them answer the tests' calls).
function(vh_test name)
  cmake_parse_arguments(A "NO_POOL_ROUTING" "" "SOURCES;DEPS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main vh_warnings)
  get_filename_component(test_dir "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
  if(NOT A_NO_POOL_ROUTING AND NOT test_dir STREQUAL "memlib")
    vh_link_pool_routing(${name})
  endif()
  set(properties)
  if(A_LABELS)
    list(APPEND properties LABELS "${A_LABELS}")
  endif()
  # No test reads or writes the user's own settings: those that need a registry of their own
  # set one up, the rest share one in the build tree (scripts/test sets the same for all).
  if(A_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${A_ENVIRONMENT}")
  else()
    list(APPEND properties ENVIRONMENT "VARNHOLD_HOME=${CMAKE_BINARY_DIR}/test-home")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# The SDL backend's tests run the system's display libraries, whose own allocations the leak
# checker of a sanitizer build would report; the headless tests check ours.
set(VH_SDL_TEST_ENVIRONMENT "LSAN_OPTIONS=detect_leaks=0")

# vh_bench(NAME SOURCES ... DEPS ...): one Google Benchmark program (routed as the tests are).
function(vh_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark vh_warnings)
  get_filename_component(bench_dir "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
  if(NOT bench_dir STREQUAL "memlib")
    vh_link_pool_routing(${name})
  endif()
endfunction()
