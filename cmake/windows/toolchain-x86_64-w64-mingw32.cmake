# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads, so that
# std::thread and std::mutex exist). PLINTHAR_WIN_DEPS: where the cross-built cpprestsdk is.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PLINTHAR_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
