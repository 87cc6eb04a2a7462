# Cross-compiling the 32-bit Windows program with MinGW-w64 (POSIX thread
# model, so std::thread and friends come from winpthreads). The same file
# builds a 64-bit variant when KV_MINGW_TRIPLET is x86_64-w64-mingw32 (preset
# "windows64"): the tests run in it where the machine's kernel cannot start
# 32-bit programs, so 32-bit Wine cannot run. Everything is
# linked statically: the program needs no DLL beside the system's own.
# Tests run under Wine through the cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(KV_MINGW_TRIPLET i686-w64-mingw32 CACHE STRING "MinGW-w64 target triplet")
if(KV_MINGW_TRIPLET MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
  set(KV_WINE_NAMES wine64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(KV_WINE_NAMES wine)
endif()

find_program(KV_MINGW_CXX NAMES ${KV_MINGW_TRIPLET}-g++-posix ${KV_MINGW_TRIPLET}-g++ REQUIRED)
find_program(KV_MINGW_CC NAMES ${KV_MINGW_TRIPLET}-gcc-posix ${KV_MINGW_TRIPLET}-gcc REQUIRED)
find_program(KV_MINGW_WINDRES NAMES ${KV_MINGW_TRIPLET}-windres windres REQUIRED)
set(CMAKE_CXX_COMPILER ${KV_MINGW_CXX})
set(CMAKE_C_COMPILER ${KV_MINGW_CC})
set(CMAKE_RC_COMPILER ${KV_MINGW_WINDRES})

set(CMAKE_FIND_ROOT_PATH /usr/${KV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C and C++ runtimes and winpthreads.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# -O2 rather than -O3: GCC 12's -O3 warns falsely (-Wrestrict) inside
# std::string, and the program gains nothing from it.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the release build")

find_program(KV_WINE NAMES ${KV_WINE_NAMES} wine PATHS /usr/lib/wine /usr/lib64/wine)
if(KV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KV_WINE})
endif()
