# The Windows platform layer: the registry, a named mutex, Winsock, the shell and the
# code page 949 tables of the system. The client's RAS functions are rasapi32's own.
norvanta_library(platform
    SOURCES win32/Autostart.cpp
            win32/CodePage.cpp
            win32/InstanceChannel.cpp
            win32/InstanceLock.cpp
            win32/ras/LinkDetails.cpp
            win32/Process.cpp
            win32/SettingsFile.cpp
            win32/SettingsKey.cpp
            win32/Socket.cpp
            common/NameLookup.cpp
            common/SettingsFile.cpp
            common/Socket.cpp
            common/Utf8Piece.cpp
            win32/WideText.cpp
    PUBLIC_LIBS Threads::Threads rasapi32 ws2_32 shell32 shlwapi advapi32 user32)

# The remote-access layer with its simulation, for the test programs only: Wine's
# rasapi32 is a stub that dials nothing. An object library, so that its RasDialA and
# friends are part of each test program itself and the linker never takes rasapi32's.
add_library(norvanta_ras_simulation OBJECT
    ${NORVANTA_PORTABLE_RAS_SOURCES}
    win32/ras/SimHost.cpp
    win32/ras/SystemRasProvider.cpp)
target_link_libraries(norvanta_ras_simulation PUBLIC norvanta_platform)
