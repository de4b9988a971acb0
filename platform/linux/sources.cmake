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
            linux/ras/InterfaceCounters.cpp
            linux/ras/NmBusThread.cpp
            linux/ras/NmCalls.cpp
            linux/ras/NmLink.cpp
            linux/ras/NmLinkTable.cpp
            linux/ras/NmLinkRecord.cpp
            linux/ras/NmPreflight.cpp
            linux/ras/NmRasProvider.cpp
            linux/ras/NmSecretAgent.cpp
            linux/ras/NmStateMap.cpp
            linux/ras/SimHost.cpp
            linux/ras/SystemRasProvider.cpp
    PUBLIC_LIBS Threads::Threads)
include(${CMAKE_CURRENT_LIST_DIR}/libraries.cmake)
