# System libraries of the Linux platform layer.

# sd-bus from libsystemd talks to NetworkManager on the system bus (the NetworkManager
# dialer). The imported target is global so that test programs which drive a fake
# NetworkManager on a private bus can link it too.
find_package(PkgConfig REQUIRED)
pkg_check_modules(NORVANTA_LIBSYSTEMD REQUIRED IMPORTED_TARGET GLOBAL libsystemd)
target_link_libraries(norvanta_platform PRIVATE PkgConfig::NORVANTA_LIBSYSTEMD)

# zlib reads the running kernel's packed configuration (/proc/config.gz) for the dialer's
# check that the kernel has PPP.
find_package(ZLIB REQUIRED)
target_link_libraries(norvanta_platform PRIVATE ZLIB::ZLIB)
