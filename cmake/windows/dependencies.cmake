# The libraries of a Windows build, cross-built by scripts/windows/build-deps.sh:
# PLINTHAR_WIN_DEPS lists their prefixes, PLINTHAR_WIN_SYSINC is a folder holding only the
# Boost and websocketpp header trees (never /usr/include: glibc's headers would shadow mingw's).
if(NOT PLINTHAR_WIN_DEPS OR NOT PLINTHAR_WIN_SYSINC)
    message(FATAL_ERROR "A Windows build needs PLINTHAR_WIN_DEPS and PLINTHAR_WIN_SYSINC: "
                        "build with scripts/build-windows")
endif()

foreach(prefix ${PLINTHAR_WIN_DEPS})
    if(EXISTS ${prefix}/lib/cmake/cpprestsdk/cpprestsdk-targets.cmake)
        # The targets alone: the package's config file asks for OpenSSL and Boost's
        # compiled parts, which this build does without.
        include(${prefix}/lib/cmake/cpprestsdk/cpprestsdk-targets.cmake)
    endif()
endforeach()
if(NOT TARGET cpprestsdk::cpprest)
    message(FATAL_ERROR "cpprestsdk not found in ${PLINTHAR_WIN_DEPS}")
endif()
# The package names two system libraries by MSVC file names; mingw links them by name.
set_property(TARGET cpprestsdk::cpprest PROPERTY INTERFACE_LINK_LIBRARIES
    cpprestsdk::cpprestsdk_websocketpp_internal cpprestsdk::cpprestsdk_boost_internal
    cpprestsdk::cpprestsdk_openssl_internal winhttp bcrypt crypt32 ws2_32 mswsock)

# Windows 7 is the oldest system with every call the plug-in makes (K32EnumProcesses in
# kernel32 among them).
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)

add_library(plinthar_boost_headers INTERFACE)
target_include_directories(plinthar_boost_headers SYSTEM INTERFACE ${PLINTHAR_WIN_SYSINC})
add_library(Boost::headers ALIAS plinthar_boost_headers)

find_path(PCRE2_INCLUDE_DIR pcre2.h PATHS ${PLINTHAR_WIN_DEPS} PATH_SUFFIXES include REQUIRED)
find_library(PCRE2_LIBRARY pcre2-8 PATHS ${PLINTHAR_WIN_DEPS} PATH_SUFFIXES lib REQUIRED)
add_library(plinthar_pcre2 INTERFACE)
target_include_directories(plinthar_pcre2 INTERFACE ${PCRE2_INCLUDE_DIR})
target_compile_definitions(plinthar_pcre2 INTERFACE PCRE2_STATIC)
target_link_libraries(plinthar_pcre2 INTERFACE ${PCRE2_LIBRARY})
add_library(PkgConfig::PCRE2 ALIAS plinthar_pcre2)

find_package(Threads REQUIRED)

# One file that imports only system DLLs: the C++ runtime, libgcc and winpthread inside.
add_link_options(-static -static-libgcc -static-libstdc++)
