# Cross build for 64-bit Windows with the MinGW-w64 compilers (posix
# threading model, so std::thread and std::mutex work). Everything is
# linked statically: Ovik.exe and the test programs are single files that
# need no MinGW runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OVIK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OVIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OVIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${OVIK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${OVIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built here run under Wine when tests are run on the build host.
find_program(OVIK_WINE_LOADER NAMES wine64 wine
             PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
if(OVIK_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OVIK_WINE_LOADER})
endif()

# GCC 12 reports -Wrestrict inside libstdc++'s std::string when optimising
# (GCC bug 105329); the warning says nothing about our code there.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
