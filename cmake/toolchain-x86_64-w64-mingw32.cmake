# Cross build for x86_64 Windows: the build whose programs and tests run under Wine's 64-bit loader.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Wine's 64-bit loader runs the test programs (ctest, test discovery).
find_program(VELK_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(VELK_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VELK_WINE64})
endif()
