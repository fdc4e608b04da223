# Installation and the Debian package (cpack -G DEB in the build folder).
# Layout: programs in bin, the plug-in in lib/<arch>/plinthar, the example host folder,
# screens and docs in share, the systemd unit in lib/systemd/system.
include(GNUInstallDirs)

set(PLINTHAR_PLUGIN_DIR ${CMAKE_INSTALL_LIBDIR}/plinthar)
set(PLINTHAR_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/plinthar)

install(TARGETS plinthar LIBRARY DESTINATION ${PLINTHAR_PLUGIN_DIR})
foreach(program plinthar-host plinthar-kodi-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/plinthar.cfg
        DESTINATION ${PLINTHAR_SHARE_DIR}/host/plugins)
file(GLOB PLINTHAR_SCREENS ${PROJECT_SOURCE_DIR}/tools/screens/*.screen)
install(FILES ${PLINTHAR_SCREENS} DESTINATION ${PLINTHAR_SHARE_DIR}/screens)

set(PLINTHAR_BIN ${CMAKE_INSTALL_FULL_BINDIR})
set(PLINTHAR_SHARE ${CMAKE_INSTALL_PREFIX}/${PLINTHAR_SHARE_DIR})
set(PLINTHAR_PLUGIN ${CMAKE_INSTALL_PREFIX}/${PLINTHAR_PLUGIN_DIR}/plinthar.so)
configure_file(${PROJECT_SOURCE_DIR}/packaging/plinthar.service
               ${CMAKE_BINARY_DIR}/packaging/plinthar.service @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/plinthar.service DESTINATION lib/systemd/system)
# The same unit naming the build tree's programs, so that systemd-analyze can check it here.
set(PLINTHAR_BIN ${CMAKE_BINARY_DIR})
set(PLINTHAR_SHARE ${PROJECT_SOURCE_DIR}/tools)
set(PLINTHAR_PLUGIN ${CMAKE_BINARY_DIR}/plinthar.so)
configure_file(${PROJECT_SOURCE_DIR}/packaging/plinthar.service
               ${CMAKE_BINARY_DIR}/packaging/plinthar-build-tree.service @ONLY)
foreach(doc README.md docs/lcd.md)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${doc})
        install(FILES ${PROJECT_SOURCE_DIR}/${doc} DESTINATION ${CMAKE_INSTALL_DOCDIR})
    endif()
endforeach()
# The plug-in's help, as its SmartieDemo gives it to a host.
install(FILES ${PLINTHAR_HELP_FILE} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME plinthar)
set(CPACK_PACKAGE_VENDOR "plinthar")
set(CPACK_PACKAGE_CONTACT "plinthar maintainers <plinthar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kodi on character LCDs: display plug-in, LCDd host and Kodi simulator")
set(CPACK_PACKAGE_DESCRIPTION "A display plug-in that follows Kodi over its JSON-RPC \
WebSocket service, a host that shows it in a terminal or on any display LCDd drives, and a \
Kodi simulator for trying it.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "lcdproc")
# dpkg-shlibdeps finds every runtime library (libcpprest2.10 among them); without it the
# one that matters is named by hand.
find_program(PLINTHAR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(PLINTHAR_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcpprest2.10, libssl3, libstdc++6")
endif()
set(CPACK_GENERATOR DEB)
include(CPack)
