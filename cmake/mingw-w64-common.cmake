# What both mingw-w64 toolchain files share; QORV_MINGW_PREFIX names the target triple.
# The compilers of the posix thread model: the C++ standard threads work there (the
# win32 model of GCC 12 has no std::mutex); its runtime is linked in statically.
set(CMAKE_C_COMPILER ${QORV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QORV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QORV_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QORV_MINGW_PREFIX})
# Programs come from the build machine; headers and libraries only from the target's root.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
