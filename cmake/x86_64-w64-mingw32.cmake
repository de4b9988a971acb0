# A 64-bit Windows build of the service layer, for testing it under a Wine that can run
# only 64-bit programs (a kernel without 32-bit support cannot run wine32).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NORVANTA_MINGW_TRIPLE x86_64-w64-mingw32)
set(NORVANTA_QT_WINDOWS_NAME qt6-win64-6.4.2)
set(NORVANTA_WINE_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
