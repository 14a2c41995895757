# What both Windows cross-builds share, for Debian's MinGW-w64. The -posix compilers have the thread model
# that std::mutex and std::thread need; -static links the C++ and winpthread runtimes into the executable,
# so it imports only DLLs that every Windows has. The including toolchain sets CMAKE_SYSTEM_PROCESSOR and
# BOXFERRY_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${BOXFERRY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BOXFERRY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BOXFERRY_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BOXFERRY_MINGW_TRIPLE})

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Unicode Win32 API names by default (wide functions only).
# GCC 12 warns falsely about overlapping copies inside libstdc++ for "literal" + std::string&& at -O2
# (GCC bug 105651); the warning is off for these builds only.
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -Wno-restrict")

# Tests run as Windows console programs under Wine.
find_program(BOXFERRY_WINE wine)
if(BOXFERRY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BOXFERRY_WINE})
endif()
