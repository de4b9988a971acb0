# Cross build for 32-bit Windows with Debian's mingw-w64. The -posix variants carry
# the winpthreads threading model that std::mutex and std::thread need; the -win32
# ones have neither.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(NORVANTA_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${NORVANTA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVANTA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${NORVANTA_MINGW_TRIPLE}-windres)

# Qt for Windows is no Debian package: scripts/build-qt-win32 builds it into a cache
# outside the source tree (QT_WIN32_PREFIX, else under NORVANTA_CACHE). Its build
# tools (moc, rcc, uic) are the host's Qt of the same version.
if(DEFINED ENV{QT_WIN32_PREFIX})
  set(NORVANTA_QT_WIN32_PREFIX $ENV{QT_WIN32_PREFIX})
elseif(DEFINED ENV{NORVANTA_CACHE})
  set(NORVANTA_QT_WIN32_PREFIX $ENV{NORVANTA_CACHE}/qt6-win32-6.4.2)
else()
  set(NORVANTA_QT_WIN32_PREFIX /var/cache/norvanta/qt6-win32-6.4.2)
endif()
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

set(CMAKE_FIND_ROOT_PATH /usr/${NORVANTA_MINGW_TRIPLE} ${NORVANTA_QT_WIN32_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# CTest runs every test program through Wine (scripts/test-win32 prepares its prefix).
find_program(NORVANTA_WINE NAMES wine)
if(NORVANTA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NORVANTA_WINE})
endif()
