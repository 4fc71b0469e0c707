# Cross build for i686 Windows: the shipped 32-bit program. Its tests need 32-bit Wine (wine32:i386) to run;
# configure with -DVELK_TESTS=OFF where there is none.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Wine's 32-bit loader runs the test programs (ctest, test discovery).
find_program(VELK_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(VELK_WINE32)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VELK_WINE32})
endif()
