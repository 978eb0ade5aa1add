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
  # The icon in the sizes desktops look for, drawn by tools/make_icon.cpp,
  # and the same drawing as SVG.
  add_executable(make_icon ${CMAKE_SOURCE_DIR}/tools/make_icon.cpp)
  set(vm_icon_files)
  foreach(size 16 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/vobmarks.png)
    add_custom_command(OUTPUT ${png}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
                       COMMAND make_icon ${size} ${png}
                       DEPENDS make_icon)
    list(APPEND vm_icon_files ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${vm_icon_files})

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
set(CPACK_GENERATOR DEB)
include(CPack)
