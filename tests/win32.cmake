# The Windows test build: included by tests/CMakeLists.txt when cross-building.

# Debian ships GoogleTest as source too; built here with the cross compilers.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
# It names its targets GTest::gtest_main and GTest::gmock itself.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Test names are read from the programs when CTest runs, not after each link: the build
# then needs no Wine, and a machine whose Wine cannot run these programs can still
# build them.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
# A program's first start in a fresh Wine prefix can take many seconds.
set(NORVANTA_TEST_DISCOVERY_TIMEOUT 120)

# Every test program dials the simulation: its RasDialA and friends are compiled into
# the program, ahead of rasapi32, whose Wine version is a stub that dials nothing.
set(NORVANTA_TEST_SYSTEM_LIBS norvanta_ras_simulation)

# Qt is linked statically, so the offscreen platform the Qt tests run on (and the
# Windows style the client uses) must be linked into them, not loaded.
if(NORVANTA_WINDOW_SIDE)
  set(NORVANTA_QT_TEST_LIBS Qt6::QOffscreenIntegrationPlugin Qt6::QWindowsVistaStylePlugin)
endif()

# Qt Test writes to the debugger channel on Windows unless told to write to a file;
# "-" is standard output. Wine hands no QT_* variable to Windows programs, so the
# platform is given on the command line (the fonts come from the prefix's registry).
set(NORVANTA_QT_TEST_ARGS -platform offscreen -o -,txt)
