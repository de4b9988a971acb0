# The HTTP client is tested against the development service web server, in-process.
target_link_libraries(net_tests PRIVATE norvanta_devservice)
