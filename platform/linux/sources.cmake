# The Linux platform layer: POSIX calls, the REGEDIT4 settings file and the
# NetworkManager dialer behind the portable remote-access layer.
norvanta_library(platform
    SOURCES ${NORVANTA_PORTABLE_RAS_SOURCES}
            linux/Autostart.cpp
            linux/CodePage.cpp
            linux/InstanceChannel.cpp
            linux/InstanceLock.cpp
            linux/Process.cpp
            linux/RegeditDocument.cpp
            linux/SettingsFile.cpp
            linux/SettingsKey.cpp
            linux/Socket.cpp
            common/NameLookup.cpp
            common/SettingsFile.cpp
            common/Socket.cpp
            common/Utf8Piece.cpp
            linux/ras/NmRasProvider.cpp
            linux/ras/nm/BusThread.cpp
            linux/ras/nm/Calls.cpp
            linux/ras/nm/InterfaceCounters.cpp
            linux/ras/nm/Link.cpp
            linux/ras/nm/LinkRecord.cpp
            linux/ras/nm/LinkTable.cpp
            linux/ras/nm/Preflight.cpp
            linux/ras/nm/SecretAgent.cpp
            linux/ras/nm/StateMap.cpp
            linux/ras/SimHost.cpp
            linux/ras/SystemRasProvider.cpp
    PUBLIC_LIBS Threads::Threads)
include(${CMAKE_CURRENT_LIST_DIR}/libraries.cmake)
