# Toolchain for the 32-bit Windows DLL, built with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The POSIX thread model: its C++ runtime has std::mutex and std::thread,
# which the win32 model lacks (GoogleTest for the conformance suites needs
# them). Everything links statically, so no thread DLL ships with the DLL.
find_program(KORVANE_MINGW_GCC NAMES i686-w64-mingw32-gcc-posix i686-w64-mingw32-gcc)
find_program(KORVANE_MINGW_GXX NAMES i686-w64-mingw32-g++-posix i686-w64-mingw32-g++)
set(CMAKE_C_COMPILER ${KORVANE_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${KORVANE_MINGW_GXX})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests of the Windows build run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
