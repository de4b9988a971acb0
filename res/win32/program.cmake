# Makes norvanta-vpn a Windows program: the GUI subsystem (no console window), the icon
# and version information as a resource, and the static Qt plugins it needs.

set(NORVANTA_ICO ${CMAKE_CURRENT_BINARY_DIR}/norvanta-vpn.ico)
set(icon_sizes 16 24 32 48 64 128 256)
list(TRANSFORM icon_sizes REPLACE "^(.+)$" "${PROJECT_SOURCE_DIR}/res/icons/norvanta-vpn-\\1.png"
     OUTPUT_VARIABLE icon_images)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${NORVANTA_ICO}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/res/win32/make_ico.py ${NORVANTA_ICO} ${icon_images}
    DEPENDS ${PROJECT_SOURCE_DIR}/res/win32/make_ico.py ${icon_images}
    COMMENT "Packing the program icon")
configure_file(${PROJECT_SOURCE_DIR}/res/win32/norvanta-vpn.rc.in ${CMAKE_CURRENT_BINARY_DIR}/norvanta-vpn.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/norvanta-vpn.rc PROPERTIES OBJECT_DEPENDS ${NORVANTA_ICO})

target_sources(norvanta-vpn PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/norvanta-vpn.rc)
set_target_properties(norvanta-vpn PROPERTIES WIN32_EXECUTABLE ON)
# The shipped program carries no symbol table: it is most of the file's size.
target_link_options(norvanta-vpn PRIVATE $<$<CONFIG:MinSizeRel,Release>:-s>)
# windows: the real desktop; offscreen: the installer check and screenshots without one.
target_link_libraries(norvanta-vpn PRIVATE
    Qt6::QWindowsIntegrationPlugin Qt6::QOffscreenIntegrationPlugin Qt6::QWindowsVistaStylePlugin)

# The installer, norvanta-vpn-setup.exe at the top of the build folder (NSIS).
find_program(NORVANTA_MAKENSIS makensis)
if(NORVANTA_MAKENSIS)
  set(setup ${CMAKE_BINARY_DIR}/norvanta-vpn-setup.exe)
  set(width_define)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(width_define -DWIN64)
  endif()
  add_custom_command(OUTPUT ${setup}
      COMMAND ${NORVANTA_MAKENSIS} -V2 -DEXE=$<TARGET_FILE:norvanta-vpn> -DICON=${NORVANTA_ICO}
              -DVERSION=${PROJECT_VERSION} -DOUTFILE=${setup} ${width_define}
              ${PROJECT_SOURCE_DIR}/res/win32/installer.nsi
      DEPENDS norvanta-vpn ${NORVANTA_ICO} ${PROJECT_SOURCE_DIR}/res/win32/installer.nsi
      COMMENT "Building the installer norvanta-vpn-setup.exe")
  add_custom_target(installer DEPENDS ${setup})
endif()
