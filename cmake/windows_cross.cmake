# The Windows cross build (-DQORV_WINDOWS_CROSS=ON with a cmake/mingw-w64-*.cmake
# toolchain): what builds for Windows without Qt, libcurl, ALSA or systemd. That is
# qvnhwm.dll with a check of its exports, the library's unit tests that run on the
# recording fake, and a compile check of the Windows halves of the monitor and the mail
# library.
if(NOT WIN32)
  message(FATAL_ERROR "QORV_WINDOWS_CROSS needs a Windows toolchain: "
                      "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake or cmake/mingw-w64-i686.cmake")
endif()

add_subdirectory(file_io)
add_subdirectory(library)

# Everything of the monitor that builds without Qt: both bindings over the Windows loader
# (the exports' types come from the public headers, stdcall included), the alert tone,
# the system exit, the clock texts and the system-information lookup in the registry.
set(QORV_WINDOWS_MONITOR_SOURCES
  core/shared_library_win32.cpp
  core/system_information_tool_win32.cpp
  core/hwm_binding.cpp
  alerts/mail_binding.cpp
  alerts/alert_tone.cpp
  alerts/alert_tone_win32.cpp
  alerts/system_exit.cpp
  alerts/system_exit_win32.cpp
  alerts/local_time_text.cpp
)
list(TRANSFORM QORV_WINDOWS_MONITOR_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/monitor/)
add_library(qorv_windows_monitor STATIC ${QORV_WINDOWS_MONITOR_SOURCES})
target_include_directories(qorv_windows_monitor PRIVATE
  ${PROJECT_SOURCE_DIR}/monitor/core ${PROJECT_SOURCE_DIR}/monitor/alerts
  ${PROJECT_SOURCE_DIR}/library/include ${PROJECT_SOURCE_DIR}/mail/include)

# The mail library's Windows halves; the library itself needs libcurl.
add_library(qvnmail_windows_halves OBJECT
  ${PROJECT_SOURCE_DIR}/mail/src/local_identity.cpp ${PROJECT_SOURCE_DIR}/mail/src/message_text.cpp)
target_include_directories(qvnmail_windows_halves PRIVATE
  ${PROJECT_SOURCE_DIR}/mail/src ${PROJECT_SOURCE_DIR}/mail/include)

enable_testing()

# The DLL exports exactly the seven functions, by their plain names.
add_test(NAME library.windows_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DLIBRARY=$<TARGET_FILE:qvnhwm>
          "-DEXPORTS=InitDLL;ReleaseDLL;SetCurrentHwm;GetSensorValue;SetFanPWM;SetFanPWM2;GetFanDuty"
          -P ${PROJECT_SOURCE_DIR}/cmake/pe_exports_only.cmake)

# 64-bit Windows programs run under wine when it is installed; 32-bit ones would need the
# i386 architecture on the build machine, which it does not have.
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QORV_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(QORV_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QORV_WINE})
  endif()
endif()

include(${PROJECT_SOURCE_DIR}/tests/library/windows_tests.cmake)
