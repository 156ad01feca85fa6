# Installing under a prefix (cmake --install BUILD --prefix PREFIX) and the
# Debian package built from the same rules (the "package" target):
#
#   bin/                               skerrow, skerrow-snapshot, skerrow-feed (with SKERROW_FEED)
#   libexec/skerrow/                   skerrow-cmd, found by the monitor relative to itself
#   share/skerrow/                     SkerrowHelp.htm (it marks an installed program) and demo/
#   share/applications/                skerrow.desktop
#   share/icons/hicolor/NxN/apps/      skerrow.png, cut from the monitor's own picture
#   share/man/man1/                    a page for each command
#   lib/systemd/user/                  skerrow-feed.service
#
# The programs find each other by these relative places, so the folder names
# are fixed here rather than taken from GNUInstallDirs.

# The version the commands report.
file(STRINGS ${CMAKE_SOURCE_DIR}/host/command_options.h version_line REGEX "skerrow_version\\[\\] = ")
string(REGEX MATCH "\"([0-9.]+)\"" version_match "${version_line}")
set(SKERROW_VERSION ${CMAKE_MATCH_1})

# The icon: the demo's first refresh through skerrow-snapshot, a square of its
# plot scaled to each size.
set(SKERROW_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icon_folder ${CMAKE_BINARY_DIR}/icons)
add_executable(skerrow-icon packaging/icon_main.cpp)
target_link_libraries(skerrow-icon PRIVATE PNG::PNG)
set(icon_files)
foreach(size IN LISTS SKERROW_ICON_SIZES)
  list(APPEND icon_files ${icon_folder}/skerrow-${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_folder}
  COMMAND skerrow-snapshot -C ${CMAKE_SOURCE_DIR}/demo ${icon_folder}/picture.png
  COMMAND skerrow-icon ${icon_folder}/picture.png 34 90 256 ${icon_folder} ${SKERROW_ICON_SIZES}
  DEPENDS skerrow-snapshot skerrow-icon ${CMAKE_SOURCE_DIR}/demo/Skerrow020.SET ${CMAKE_SOURCE_DIR}/demo/spots.log
  COMMENT "Drawing the icon from the monitor's picture")
add_custom_target(skerrow_icons ALL DEPENDS ${icon_files})

install(TARGETS skerrow skerrow-snapshot RUNTIME DESTINATION bin)
install(TARGETS skerrow-cmd RUNTIME DESTINATION libexec/skerrow)
install(FILES monitor/SkerrowHelp.htm DESTINATION share/skerrow)
install(FILES demo/Skerrow020.SET demo/spots.log DESTINATION share/skerrow/demo)
install(PROGRAMS demo/feed-demo.sh DESTINATION share/skerrow/demo)
install(FILES packaging/skerrow.desktop DESTINATION share/applications)
foreach(size IN LISTS SKERROW_ICON_SIZES)
  install(FILES ${icon_folder}/skerrow-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME skerrow.png)
endforeach()
install(FILES packaging/skerrow.1 packaging/skerrow-snapshot.1 DESTINATION share/man/man1)

if(SKERROW_FEED)
  install(TARGETS skerrow-feed RUNTIME DESTINATION bin)
  install(FILES packaging/skerrow-feed.1 DESTINATION share/man/man1)
  # The unit names the feeder by its installed path, known only at install
  # time (a staging prefix, or /usr inside the package).
  install(CODE "
    string(MD5 unit_key \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(unit_bindir \"\${CMAKE_INSTALL_PREFIX}/bin\")
    set(unit_file \"${CMAKE_BINARY_DIR}/units/\${unit_key}/skerrow-feed.service\")
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/skerrow-feed.service.in\" \"\${unit_file}\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\" TYPE FILE FILES \"\${unit_file}\")
  ")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skerrow)
set(CPACK_PACKAGE_VERSION ${SKERROW_VERSION})
set(CPACK_PACKAGE_CONTACT "Skerrow developers <skerrow@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor plotting decoded weak-signal spots over the day")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Skerrow re-reads a spot log and draws the SNR of every decoded station against
its time of day in one 640 x 480 window, with six watched calls in colours of
their own. skerrow-feed keeps that log current from the decoder's ALL.TXT
and ALL_WSPR.TXT files, or from the reception reports of one's own signal
(PSK Reporter, wspr.live, WSPRnet archives); skerrow-snapshot writes the
picture as a PNG.")
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The menu's "Help" and "Edit setup file" open the page and the file through
# xdg-open; the feeder's HTTPS queries need libcurl (loaded at the first query,
# so the library scan does not see it: named here, beside what the scan finds)
# and the certificate authorities.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4t64 | libcurl4")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, ca-certificates")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
