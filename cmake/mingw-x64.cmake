# 64-bit Windows (x64).
set(TVM_ARCH x64)
set(TVM_HOST x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
