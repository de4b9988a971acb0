target_link_libraries(${name} PRIVATE norvanta_devservice)
# The desktop notification over D-Bus (the Linux desktop; see app/CMakeLists.txt).
if(name STREQUAL "tst_desktopNotification")
  find_package(Qt6 REQUIRED COMPONENTS DBus)
  target_link_libraries(${name} PRIVATE Qt6::DBus)
endif()
