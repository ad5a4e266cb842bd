# The 32-bit release programs: the win32 build's toolchain with the compiler's win32
# thread model, whose C++ library calls the Windows API directly and so runs on Windows
# XP. (The posix model links a thread library that imports GetTickCount64, from Vista.)
include(${CMAKE_CURRENT_LIST_DIR}/win32.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
