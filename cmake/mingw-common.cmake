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

# Tests run as Windows console programs under Wine, through a launcher that tools/windows/wine-launcher.sh
# writes into the build folder on every configure: which Wine loader starts this processor's programs is
# decided by running it, and where none can, the launcher says why.
get_property(_boxferry_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT _boxferry_in_try_compile)
  execute_process(
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../tools/windows/wine-launcher.sh ${CMAKE_SYSTEM_PROCESSOR}
            ${CMAKE_BINARY_DIR}/wine-launcher
    RESULT_VARIABLE _boxferry_wine_status ERROR_VARIABLE _boxferry_wine_why ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT _boxferry_wine_status EQUAL 0)
    message(STATUS "Test programs under Wine: ${_boxferry_wine_why}")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-launcher)
endif()
