# Cross-builds the core and its tests for 64-bit Windows with Debian's MinGW-w64 compiler, and runs
# the test programs under Wine, so that the Windows side of the code is exercised on every CI run.
#
#   cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVRKT_BUILD_GUI=OFF
#
# Qt is not cross-built: the window program and the command line are left out (VRKT_BUILD_GUI=OFF).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VRKT_MINGW_TRIPLE x86_64-w64-mingw32)

# The posix flavour brings std::thread and friends; the win32 flavour lacks them.
find_program(CMAKE_C_COMPILER NAMES ${VRKT_MINGW_TRIPLE}-gcc-posix ${VRKT_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VRKT_MINGW_TRIPLE}-g++-posix ${VRKT_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VRKT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VRKT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the programs then start under Wine (or on a bare Windows machine) without the
# compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine with a prefix of their own inside the build folder, so that a run
# neither depends on nor disturbs the user's ~/.wine. Mono and Gecko are not wanted: without the
# overrides the first start offers to download them.
find_program(VRKT_WINE NAMES wine64 wine)
if(VRKT_WINE)
  set(VRKT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for the test runs")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_COMMAND};-E;env;WINEPREFIX=${VRKT_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;${VRKT_WINE}")
endif()
