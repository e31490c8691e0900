# Shared part of the two mingw-w64 toolchain files; they set ZEPHYRANT_MINGW_TRIPLE
# and CMAKE_SYSTEM_PROCESSOR before including it.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model needs no pthread emulation library, so nothing can pull
# in libwinpthread; the plain names are the fallback where only one flavour is
# installed.
find_program(ZEPHYRANT_MINGW_CC NAMES ${ZEPHYRANT_MINGW_TRIPLE}-gcc-win32 ${ZEPHYRANT_MINGW_TRIPLE}-gcc REQUIRED)
find_program(ZEPHYRANT_MINGW_CXX NAMES ${ZEPHYRANT_MINGW_TRIPLE}-g++-win32 ${ZEPHYRANT_MINGW_TRIPLE}-g++ REQUIRED)
find_program(ZEPHYRANT_MINGW_RC NAMES ${ZEPHYRANT_MINGW_TRIPLE}-windres)
set(CMAKE_C_COMPILER ${ZEPHYRANT_MINGW_CC})
set(CMAKE_CXX_COMPILER ${ZEPHYRANT_MINGW_CXX})
if(ZEPHYRANT_MINGW_RC)
  set(CMAKE_RC_COMPILER ${ZEPHYRANT_MINGW_RC})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${ZEPHYRANT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every binary carries its own C and C++ runtime, so the module and the tools
# need nothing beside the system's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# pkg-config must offer only libraries built for this target, never the machine's own.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/${ZEPHYRANT_MINGW_TRIPLE}/lib/pkgconfig")
