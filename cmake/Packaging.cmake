# Where `cmake --install` puts the client, and the Debian package CPack makes of it
# (scripts/package). Everything the program needs at run time is compiled in; these are
# the files a desktop and a package manager need around it.
include(GNUInstallDirs)

set(norvanta_packaging ${PROJECT_SOURCE_DIR}/res/packaging)
set(norvanta_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/norvanta-vpn)

# The changelog and the AppStream release name the version; a release that forgets one
# of them would ship a package that contradicts itself.
foreach(versioned changelog com.norvanta.vpn.metainfo.xml norvanta-vpn.1)
  file(READ ${norvanta_packaging}/${versioned} text)
  string(FIND "${text}" "${PROJECT_VERSION}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "res/packaging/${versioned} does not name version ${PROJECT_VERSION}")
  endif()
endforeach()

install(TARGETS norvanta-vpn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/norvanta-vpn.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${norvanta_packaging}/com.norvanta.vpn.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

file(GLOB norvanta_icons ${PROJECT_SOURCE_DIR}/res/icons/norvanta-vpn-*.png)
foreach(icon IN LISTS norvanta_icons)
  string(REGEX REPLACE ".*norvanta-vpn-([0-9]+)\\.png$" "\\1" size ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME norvanta-vpn.png)
endforeach()

# Debian wants the changelog and the manual page compressed without a time stamp, so the
# package is the same whenever it is built.
set(norvanta_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
set(norvanta_manual ${CMAKE_CURRENT_BINARY_DIR}/norvanta-vpn.1.gz)
foreach(pair "changelog;${norvanta_changelog}" "norvanta-vpn.1;${norvanta_manual}")
  list(GET pair 0 source)
  list(GET pair 1 compressed)
  add_custom_command(OUTPUT ${compressed}
      COMMAND gzip -9nc ${norvanta_packaging}/${source} > ${compressed}
      DEPENDS ${norvanta_packaging}/${source} VERBATIM)
endforeach()
add_custom_target(norvanta_packaging_files ALL DEPENDS ${norvanta_changelog} ${norvanta_manual})
install(FILES ${norvanta_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${norvanta_changelog} ${norvanta_packaging}/copyright ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/docs/screenshot.png
        DESTINATION ${norvanta_doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvanta-vpn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Norvanta)
set(CPACK_PACKAGE_CONTACT "Norvanta <vpn@norvanta.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for the Norvanta VPN service")
set(CPACK_PACKAGE_DESCRIPTION
    "The Norvanta subscription VPN service's client, with a Korean interface.\n"
    "Type your ID and password, pick one of the service's servers and press\n"
    "connect: the client dials PPTP through NetworkManager, shows the connected\n"
    "time, notices a dropped link and remembers the ID on request.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://norvanta.example/)
# Depends is computed from the libraries the program links (dpkg-shlibdeps), plus Qt's
# display plugins, which are loaded rather than linked and which libqt6gui6 only
# recommends: installed without recommends, the program could open no window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Korean standard buttons come from Qt's own translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "network-manager-pptp, fonts-nanum, qt6-translations-l10n")
include(CPack)
