# Cross-compiles tolvandrv.exe and tolvansim.exe with Debian's mingw-w64
# (package g++-mingw-w64-x86-64-posix: the "posix" thread model, which
# std::thread and std::mutex need). The programs are linked statically, so
# the .exe runs with no DLL beside it; the tests run them under Wine.
#
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVAN_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TOLVAN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVAN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVAN_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOLVAN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# ctest runs the test programs (and the .exe they start) under Wine.
find_program(TOLVAN_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVAN_WINE})
set(nlohmann_json_DIR /usr/share/cmake/nlohmann_json CACHE PATH "header-only, from the build machine")
