# Cross-compiling the show's core to a plain WebAssembly module: clang with wasi-libc and libc++
# for wasm32 (Debian: clang-19, lld-19, wasi-libc, libc++-19-dev-wasm32, libc++abi-19-dev-wasm32,
# libclang-rt-19-dev-wasm32). ZOD_WASM_CLANG names the clang++ to use.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CXX_COMPILER ${ZOD_WASM_CLANG})
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# No linking of test programs while CMake checks the compiler: a module has no main.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
