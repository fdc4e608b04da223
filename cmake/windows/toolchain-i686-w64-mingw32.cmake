# Cross-compiling for 32-bit Windows, the display host's architecture, with Debian's
# mingw-w64 (posix threads). PLINTHAR_WIN_DEPS: where the cross-built cpprestsdk is.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PLINTHAR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
