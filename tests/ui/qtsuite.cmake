# The skin test compares the committed images with the art that paints them.
if(name STREQUAL "tst_skinResources")
  target_link_libraries(${name} PRIVATE norvanta_skinart)
endif()
