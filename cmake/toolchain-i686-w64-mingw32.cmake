# Cross build for i686 Windows: the shipped 32-bit program. Configure with -DVELK_TESTS=OFF, as no
# 32-bit Wine runs the tests here.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
