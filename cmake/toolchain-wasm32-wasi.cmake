# WebAssembly for the browser (web/): Debian's clang and lld with wasi-libc and the
# WebAssembly builds of libc++ and libc++abi (packages clang, lld, wasi-libc,
# libc++-14-dev-wasm32, libc++abi-14-dev-wasm32, libclang-rt-14-dev-wasm32):
#   cmake -S . -B build/web -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-wasm32-wasi.cmake
# scripts/build-web.sh does this and builds the page.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# Platform/WASI.cmake beside this file: the settings CMake has no platform file for.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

find_program(ZEPHYRANT_WASM_CC NAMES clang-14 clang REQUIRED)
find_program(ZEPHYRANT_WASM_CXX NAMES clang++-14 clang++ REQUIRED)
set(CMAKE_C_COMPILER ${ZEPHYRANT_WASM_CC})
set(CMAKE_CXX_COMPILER ${ZEPHYRANT_WASM_CXX})
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# The WebAssembly libc++ is built without exceptions; allocation failures answer null
# (new (std::nothrow)) where the code can go on without the memory.
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
