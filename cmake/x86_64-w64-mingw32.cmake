# The 64-bit Windows client, cross-built with Debian's mingw-w64: the build the tests run
# under Wine by default (it needs no 32-bit support from the kernel or dpkg).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NORVANTA_MINGW_TRIPLE x86_64-w64-mingw32)
set(NORVANTA_QT_WINDOWS_NAME qt6-win64-6.4.2)
set(NORVANTA_WINE_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
