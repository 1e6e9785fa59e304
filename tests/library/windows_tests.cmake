# The library's unit tests for Windows, included by the Windows cross build: the tests
# that run on the recording fake board. The others need qvnbdrv, a Unix socket or POSIX
# temporary folders, and stay in the Linux suite.
set(LIBRARY_WINDOWS_TEST_SOURCES
  scale_code_test.cpp
  description_parser_test.cpp
  hardware_description_test.cpp
  driver_channel_test.cpp
  winbond_chip_test.cpp
  intel_xeon_test.cpp
  support/fake_board.cpp
)
list(TRANSFORM LIBRARY_WINDOWS_TEST_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

# GoogleTest from Debian's sources (package googletest), built for the target.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_executable(library_windows_tests ${LIBRARY_WINDOWS_TEST_SOURCES})
target_include_directories(library_windows_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/support ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(library_windows_tests PRIVATE qvnhwm_static gtest_main gmock)
# One file that runs anywhere, with no runtime DLLs of the compiler beside it.
target_link_options(library_windows_tests PRIVATE -static)

if(CMAKE_CROSSCOMPILING_EMULATOR)
  add_test(NAME library.windows_unit COMMAND library_windows_tests)
  # wine's own state lives in the build folder: made at the first run (the slow one), not
  # in the user's home.
  set_tests_properties(library.windows_unit PROPERTIES
    ENVIRONMENT "WINEDEBUG=-all;WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix")
endif()
