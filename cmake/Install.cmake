# Installation and the Debian package.
#
# The layout is fixed, whatever the prefix: the programs in <prefix>/bin/ and
# their read-only files in <prefix>/share/vobmarks/, which is how an
# installed program recognises itself and finds LOGO.BMP and usage.txt.
# Everything it writes goes to the per-user folder, never into the prefix.

# The manual page of vobmarks-cli, made from the command line's own tables.
add_executable(make_manpage ${CMAKE_SOURCE_DIR}/tools/make_manpage.cpp
               ${CMAKE_SOURCE_DIR}/cli/options.cpp)
target_include_directories(make_manpage PRIVATE ${CMAKE_SOURCE_DIR})
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/vobmarks-cli.1
                   COMMAND make_manpage ${CMAKE_BINARY_DIR}/vobmarks-cli.1
                   DEPENDS make_manpage)
add_custom_target(manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/vobmarks-cli.1)

install(TARGETS vobmarks-cli RUNTIME DESTINATION bin)
install(FILES ${CMAKE_BINARY_DIR}/LOGO.BMP ${CMAKE_SOURCE_DIR}/app/usage.txt
        DESTINATION share/vobmarks)
install(FILES ${CMAKE_BINARY_DIR}/vobmarks-cli.1 DESTINATION share/man/man1)

if(VOBMARKS_GUI)
  # The icon PNGs drawn for the windows (CMakeLists.txt) and the same
  # drawing as SVG.
  foreach(size ${vm_icon_sizes})
    install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/vobmarks.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()

  install(TARGETS vobmarks RUNTIME DESTINATION bin)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/vobmarks.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/vobmarks.svg
          DESTINATION share/icons/hicolor/scalable/apps)
endif()

# cpack -G DEB: dependencies come from the binaries (dpkg-shlibdeps), so the
# Qt 6 libraries, and libdvdread/libdvdnav when the verify command links
# them, are declared exactly when they are used.
set(CPACK_PACKAGE_NAME vobmarks)
set(CPACK_PACKAGE_VERSION 1.10)
set(CPACK_PACKAGE_VENDOR "VobMarks")
set(CPACK_PACKAGE_CONTACT "VobMarks developers <vobmarks@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "re-author a DVD-Video title with new chapter points without re-encoding")
set(CPACK_PACKAGE_DESCRIPTION
    "VobMarks reads a single-title VIDEO_TS folder into a time list of video object units, \
lets you mark chapters and preview pictures, and writes a new VIDEO_TS folder with the VOB \
files cut into cells at the chapter points. The desktop program is vobmarks; vobmarks-cli \
drives the same steps from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The default player and web browser are started through xdg-open; the
# windows need a font to draw their text.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-core")
# The range label's wave dash and the Japanese message of the settings
# dialog need a font with Japanese characters; the toolkit's font fallback
# finds them there.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_GENERATOR DEB)
include(CPack)
