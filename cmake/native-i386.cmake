# 32-bit x86 Linux, linked statically so that qemu-i386 can run it on hosts without 32-bit support.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# SSE arithmetic: doubles are rounded where the code says, not kept in x87 extended precision.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
find_program(QEMU_I386 qemu-i386)
if(NOT QEMU_I386)
  message(FATAL_ERROR "qemu-i386 not found: install Debian's qemu-user (scripts/install-deps does).")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
