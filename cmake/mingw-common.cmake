# Cross-compiling to Windows with mingw-w64's posix-thread compilers; the
# per-architecture files set TVM_ARCH, TVM_HOST and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TVM_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TVM_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${TVM_HOST}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TVM_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every Windows program the build runs (tests included) goes through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run --arch ${TVM_ARCH})

# The executables and DLLs must not need any toolchain DLL on the user's machine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
