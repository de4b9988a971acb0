target_link_libraries(${name} PRIVATE norvanta_devservice)
# The desktop notification goes over D-Bus only where Qt has it (see app/CMakeLists.txt).
if(name STREQUAL "tst_desktopNotification")
  find_package(Qt6 QUIET OPTIONAL_COMPONENTS DBus)
  if(TARGET Qt6::DBus)
    target_link_libraries(${name} PRIVATE Qt6::DBus)
    target_compile_definitions(${name} PRIVATE NORVANTA_HAVE_DBUS=1)
  endif()
endif()
