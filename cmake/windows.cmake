# The Windows programs (a cross build with cmake/mingw-w64-x86_64.cmake):
# brastor.exe carries the game's icon, version information and a manifest;
# `windows_zip` packs build-windows/brastor-windows-VERSION.zip.
enable_language(RC)

if(CMAKE_CROSSCOMPILING)
  set(BRASTOR_ICON_MAKER ${BRASTOR_HOST_TOOLS}/brastor-icon)
else()
  add_executable(brastor-icon tools/icon/make_icon.cpp)
  set(BRASTOR_ICON_MAKER brastor-icon)
endif()
set(BRASTOR_ICO ${CMAKE_BINARY_DIR}/brastor.ico)
add_custom_command(OUTPUT ${BRASTOR_ICO}
  COMMAND ${BRASTOR_ICON_MAKER} ${BRASTOR_DATA_DIR}/gfx/player/right/player_1.bmp ${BRASTOR_ICO} 64
  DEPENDS brastor_data
  COMMENT "Making the program's icon from the player's picture")
add_custom_target(brastor_ico DEPENDS ${BRASTOR_ICO})

if(TARGET brastor)
  set(BRASTOR_MANIFEST ${CMAKE_SOURCE_DIR}/packaging/windows/brastor.manifest)
  configure_file(packaging/windows/brastor.rc.in ${CMAKE_BINARY_DIR}/brastor.rc @ONLY)
  target_sources(brastor PRIVATE ${CMAKE_BINARY_DIR}/brastor.rc)
  set_source_files_properties(${CMAKE_BINARY_DIR}/brastor.rc PROPERTIES
    OBJECT_DEPENDS "${BRASTOR_ICO};${BRASTOR_MANIFEST}")
  add_dependencies(brastor brastor_ico)
endif()

set(BRASTOR_ZIP ${CMAKE_BINARY_DIR}/brastor-windows-${PROJECT_VERSION}.zip)
add_custom_command(OUTPUT ${BRASTOR_ZIP}
  COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/windows/pack.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}
          ${PROJECT_VERSION}
  DEPENDS brastor brastor-mapcheck brastor-bake brastor_data ${CMAKE_SOURCE_DIR}/packaging/windows/pack.sh
          ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt
  COMMENT "Packing brastor-windows-${PROJECT_VERSION}.zip")
add_custom_target(windows_zip DEPENDS ${BRASTOR_ZIP})
