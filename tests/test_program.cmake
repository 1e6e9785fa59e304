# qorv_add_test_program(NAME
#   SOURCES file...            the test sources, listed: a new file joins by being named here
#   LIBRARIES target...        linked privately (GoogleTest's main is added)
#   INCLUDES folder...         private include folders
#   DEFINITIONS NAME="value"...
#   DEPENDS target...          built first (programs and libraries the tests start or load)
#   ENVIRONMENT NAME=value...  each test's environment, ahead of the sanitizer settings
#   TIMEOUT seconds            per test, default 120
#   OWN_MAIN)                  the sources bring main(): GoogleTest without its main
# One GoogleTest program whose tests ctest discovers, with the sanitizer environment.
function(qorv_add_test_program name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "OWN_MAIN" "TIMEOUT" "SOURCES;LIBRARIES;INCLUDES;DEFINITIONS;DEPENDS;ENVIRONMENT")
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "qorv_add_test_program(${name}): no SOURCES")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main)
  endif()
  if(ARG_INCLUDES)
    target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  endif()
  if(ARG_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  # The environment stays one quoted argument: its entries are a list of their own.
  if(ARG_ENVIRONMENT)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${ARG_TIMEOUT}
                         ENVIRONMENT "${ARG_ENVIRONMENT};${QORV_SANITIZER_ENVIRONMENT}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${QORV_SANITIZER_TEST_PROPERTIES})
  endif()
endfunction()
