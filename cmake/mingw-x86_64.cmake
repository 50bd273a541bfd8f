# Cross-compile the 64-bit Windows test build with MinGW-w64: the same sources, so the suite runs
# where the kernel refuses 32-bit code.
set(ZZ_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
