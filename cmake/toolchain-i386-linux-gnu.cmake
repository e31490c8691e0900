# 32-bit x86 Linux on a 64-bit Debian machine with g++-multilib (-m32). The
# results run under qemu-i386, which ctest uses as the emulator:
#   cmake -S . -B build/i386 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i386-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

find_program(ZEPHYRANT_HOST_CC NAMES gcc REQUIRED)
find_program(ZEPHYRANT_HOST_CXX NAMES g++ REQUIRED)
set(CMAKE_C_COMPILER ${ZEPHYRANT_HOST_CC})
set(CMAKE_CXX_COMPILER ${ZEPHYRANT_HOST_CXX})
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

# The kernel here may refuse 32-bit executables; qemu-i386 runs them with the
# machine's own i386 libraries (-L /).
find_program(ZEPHYRANT_QEMU_I386 NAMES qemu-i386 qemu-i386-static)
if(ZEPHYRANT_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEPHYRANT_QEMU_I386};-L;/)
endif()

# pkg-config must offer only 32-bit libraries (Debian's multiarch i386 packages),
# never the machine's own 64-bit ones.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/lib32/pkgconfig:/usr/share/pkgconfig")
