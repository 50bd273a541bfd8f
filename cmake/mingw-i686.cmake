# Cross-compile the 32-bit Windows program, the product, with MinGW-w64.
set(ZZ_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
