# One library per source folder: every .cpp directly inside the folder belongs to it, so adding a
# component never means editing a list. A folder with headers only becomes an INTERFACE library.
function(pelko_library name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One test executable per test folder, each test registered with CTest on its own.
function(pelko_test_folder name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE pelko_test_support ${ARG_DEPS} GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${PELKO_SANITIZER_TEST_ENVIRONMENT}
    DISCOVERY_TIMEOUT 60)
endfunction()

# Under ThreadSanitizer, the reports from inside the uninstrumented libraries of others are suppressed (and
# only those): the file lists them. Every test registration, benchmarks included, passes this on. The
# project's options come first and the caller's TSAN_OPTIONS or LSAN_OPTIONS after them, so that a caller
# can add options (scripts/check-suppressions.sh asks for the matched suppressions) or override one.
set(PELKO_SANITIZER_TEST_ENVIRONMENT "")
if(PELKO_TSAN)
  set(PELKO_SANITIZER_TEST_ENVIRONMENT ENVIRONMENT_MODIFICATION
      "TSAN_OPTIONS=string_prepend:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan-suppressions.txt:")
endif()
# Under AddressSanitizer, the leaks libraries of others keep to the end of a process are left alone; the
# file lists them.
if(PELKO_SANITIZE)
  set(PELKO_SANITIZER_TEST_ENVIRONMENT ENVIRONMENT_MODIFICATION
      "LSAN_OPTIONS=string_prepend:suppressions=${PROJECT_SOURCE_DIR}/tests/lsan-suppressions.txt:print_suppressions=0:")
endif()
