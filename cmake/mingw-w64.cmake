# Shared by the mingw-w64 toolchain files, which set NORVANTA_MINGW_TRIPLE and
# NORVANTA_QT_WINDOWS_NAME first. The -posix compilers carry the winpthreads threading
# model that std::mutex and std::thread need; the -win32 ones have neither.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${NORVANTA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVANTA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${NORVANTA_MINGW_TRIPLE}-windres)
# Every program carries its C and C++ runtime and winpthreads: one file, no DLL beside
# it, on Windows and in Wine alike.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Qt for Windows is no Debian package: scripts/build-qt-windows builds it into a cache
# outside the source tree (under NORVANTA_CACHE). Its build tools (moc, rcc, uic) are
# the host's Qt of the same version.
if(DEFINED ENV{NORVANTA_CACHE})
  set(NORVANTA_QT_WINDOWS_PREFIX $ENV{NORVANTA_CACHE}/${NORVANTA_QT_WINDOWS_NAME})
else()
  set(NORVANTA_QT_WINDOWS_PREFIX /var/cache/norvanta/${NORVANTA_QT_WINDOWS_NAME})
endif()
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

set(CMAKE_FIND_ROOT_PATH /usr/${NORVANTA_MINGW_TRIPLE} ${NORVANTA_QT_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# CTest runs every test program through Wine (scripts/test-win32 prepares its prefix).
# The 64-bit build names Wine's 64-bit loader: Debian's "wine" always takes the 32-bit one
# when it is installed, even where the kernel cannot run it.
find_program(NORVANTA_WINE NAMES ${NORVANTA_WINE_NAMES} wine PATHS /usr/lib/wine)
if(NORVANTA_WINE)
  # Through a wrapper that starts a program once more only when Wine itself failed to
  # start it (tests/support/wine-run says when).
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/support/wine-run ${NORVANTA_WINE})
endif()
