# Installation in a conventional layout and the Debian package:
#   bin/brastor, bin/brastor-headless, bin/brastor-mapcheck, bin/brastor-playtest
#   share/brastor/{gfx,level1,level2}     the baked game data
#   share/applications/brastor.desktop, share/icons/hicolor/64x64/apps/brastor.png
# The programs look for their data beside the real executable first, then in
# ../share/brastor, so both the build folder and an installed copy run as they are.
include(GNUInstallDirs)

add_executable(brastor-icon tools/icon/make_icon.cpp)
target_include_directories(brastor-icon SYSTEM PRIVATE ${BRASTOR_STB_INCLUDE})
set(BRASTOR_ICON ${CMAKE_BINARY_DIR}/brastor.png)
if(TARGET brastor_data)
  add_custom_command(OUTPUT ${BRASTOR_ICON}
    COMMAND brastor-icon ${BRASTOR_DATA_DIR}/gfx/player/right/player_1.bmp ${BRASTOR_ICON} 64
    DEPENDS brastor-icon brastor_data
    COMMENT "Making the desktop icon from the player's picture")
  add_custom_target(brastor_icon ALL DEPENDS ${BRASTOR_ICON})
endif()

foreach(program brastor brastor-headless brastor-mapcheck brastor-playtest)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(folder gfx level1 level2)
  install(DIRECTORY ${BRASTOR_DATA_DIR}/${folder} DESTINATION ${CMAKE_INSTALL_DATADIR}/brastor OPTIONAL)
endforeach()
install(FILES packaging/brastor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${BRASTOR_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brastor)
set(CPACK_PACKAGE_VENDOR "Brastor developers")
set(CPACK_PACKAGE_CONTACT "Brastor developers <team@brastor.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Side-scrolling platform shooter in two missions")
set(CPACK_PACKAGE_INSTALL_DIRECTORY brastor)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0, libc6, libstdc++6, libgcc-s1")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
