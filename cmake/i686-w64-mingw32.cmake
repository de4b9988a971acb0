# The 32-bit Windows client, cross-built with Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NORVANTA_MINGW_TRIPLE i686-w64-mingw32)
set(NORVANTA_QT_WINDOWS_NAME qt6-win-i686-6.4.2)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
