target_link_libraries(${name} PRIVATE norvanta_devservice)
