# The Windows programs (a cross build with cmake/mingw-w64-x86_64.cmake): each
# carries the game's icon, version information and a manifest (UTF-8 as the
# code page, aware of the display's scale); `windows_zip` packs
# build-windows/brastor-windows-VERSION.zip. The version is the project's.
enable_language(RC)

if(CMAKE_CROSSCOMPILING)
  set(BRASTOR_ICON_MAKER ${BRASTOR_HOST_TOOLS}/brastor-icon)
else()
  add_executable(brastor-icon tools/icon/make_icon.cpp)
  target_include_directories(brastor-icon SYSTEM PRIVATE ${BRASTOR_STB_INCLUDE})
  set(BRASTOR_ICON_MAKER brastor-icon)
endif()
set(BRASTOR_ICO ${CMAKE_BINARY_DIR}/brastor.ico)
add_custom_command(OUTPUT ${BRASTOR_ICO}
  COMMAND ${BRASTOR_ICON_MAKER} ${BRASTOR_DATA_DIR}/gfx/player/right/player_1.bmp ${BRASTOR_ICO} 16 32 48 64 256
  DEPENDS brastor_data
  COMMENT "Making the programs' icon from the player's picture")
add_custom_target(brastor_ico DEPENDS ${BRASTOR_ICO})

set(BRASTOR_MANIFEST_FILE ${CMAKE_BINARY_DIR}/brastor.manifest)
configure_file(packaging/windows/brastor.manifest.in ${BRASTOR_MANIFEST_FILE} @ONLY)
set(BRASTOR_PROGRAMS
  "brastor|Brastor, a side-scrolling platform shooter"
  "brastor-playtest|Brastor level tester"
  "brastor-headless|Brastor without a window: scripted runs and replays"
  "brastor-mapcheck|Brastor map checker"
  "brastor-bake|Brastor data baker")
foreach(entry IN LISTS BRASTOR_PROGRAMS)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 BRASTOR_PROGRAM)
  list(GET entry 1 BRASTOR_DESCRIPTION)
  if(TARGET ${BRASTOR_PROGRAM})
    set(rc ${CMAKE_BINARY_DIR}/resources/${BRASTOR_PROGRAM}.rc)
    # The baker makes the data the icon is drawn from, so it goes without.
    if(BRASTOR_PROGRAM STREQUAL "brastor-bake")
      set(BRASTOR_ICON_RESOURCE "")
      set(depends ${BRASTOR_MANIFEST_FILE})
    else()
      set(BRASTOR_ICON_RESOURCE "1 ICON \"${BRASTOR_ICO}\"")
      set(depends ${BRASTOR_ICO} ${BRASTOR_MANIFEST_FILE})
      add_dependencies(${BRASTOR_PROGRAM} brastor_ico)
    endif()
    configure_file(packaging/windows/brastor.rc.in ${rc} @ONLY)
    target_sources(${BRASTOR_PROGRAM} PRIVATE ${rc})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
  endif()
endforeach()

set(BRASTOR_ZIP ${CMAKE_BINARY_DIR}/brastor-windows-${PROJECT_VERSION}.zip)
add_custom_command(OUTPUT ${BRASTOR_ZIP}
  COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/windows/pack.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}
          ${PROJECT_VERSION}
  DEPENDS brastor brastor-playtest brastor-headless brastor-mapcheck brastor-bake brastor_data
          ${CMAKE_SOURCE_DIR}/packaging/windows/pack.sh ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt
  COMMENT "Packing brastor-windows-${PROJECT_VERSION}.zip")
add_custom_target(windows_zip DEPENDS ${BRASTOR_ZIP})
