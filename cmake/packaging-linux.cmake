# velmora installed as Linux programs are, and the Debian package that carries it:
#   cmake --install build/linux --prefix /usr
#   cmake --build --preset linux --target package   ->  build/linux/velmora_1.90_<arch>.deb
# The installed files: bin/velmora, the menu entry, the icon in the hicolor theme at every size
# below, the AppStream entry, the manual page, the Japanese Readme.txt, and the copyright and
# changelog files a Debian package carries.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
include(GNUInstallDirs)

set(VELMORA_PKG_SRC ${CMAKE_SOURCE_DIR}/platform/linux/package)
set(VELMORA_PKG_OUT ${CMAKE_BINARY_DIR}/package-files)
set(VELMORA_APPSTREAM_ID org.velmora.velmora)
set(VELMORA_DEB_MAINTAINER "Velmora開発チーム <velmora@example.org>"
    CACHE STRING "The Maintainer field of the Debian package and its changelog entry")
# The Readme.txt the program's syntax message points to, beside the program in the build folder.
get_target_property(_velmora_dir velmora BINARY_DIR)
set(VELMORA_LINUX_README ${_velmora_dir}/Readme.txt)

configure_file(${VELMORA_PKG_SRC}/Readme.txt.in ${VELMORA_LINUX_README} @ONLY)
configure_file(${VELMORA_PKG_SRC}/velmora.1.in ${VELMORA_PKG_OUT}/velmora.1 @ONLY)
configure_file(${VELMORA_PKG_SRC}/changelog.in ${VELMORA_PKG_OUT}/changelog @ONLY)
configure_file(${VELMORA_PKG_SRC}/velmora.metainfo.xml.in
               ${VELMORA_PKG_OUT}/${VELMORA_APPSTREAM_ID}.metainfo.xml @ONLY)

# The icon in the sizes desktops ask for: 16 and 32 as drawn, the larger ones scaled up from them
# pixel for pixel, all from the pixel art the Windows icon is made of.
set(VELMORA_ICON_ART ${CMAKE_SOURCE_DIR}/platform/win32/res/velmora_icon.txt)
set(VELMORA_ICON_SIZES 16 32 48 64 128)
set(_velmora_package_outputs)
foreach(_size IN LISTS VELMORA_ICON_SIZES)
  set(_png ${VELMORA_PKG_OUT}/icons/${_size}x${_size}/velmora.png)
  add_custom_command(
    OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_PKG_OUT}/icons/${_size}x${_size}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/make_png_icon.py ${VELMORA_ICON_ART} ${_size} ${_png}
    DEPENDS ${VELMORA_ICON_ART} ${CMAKE_SOURCE_DIR}/tools/make_png_icon.py ${CMAKE_SOURCE_DIR}/tools/make_icon.py
    COMMENT "velmora.png, ${_size}x${_size}"
    VERBATIM)
  list(APPEND _velmora_package_outputs ${_png})
  install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()

# The manual page and the changelog go in compressed with gzip -9n (no name, no time stamp).
foreach(_name velmora.1 changelog)
  add_custom_command(
    OUTPUT ${VELMORA_PKG_OUT}/${_name}.gz
    COMMAND gzip -9nkf ${_name}
    DEPENDS ${VELMORA_PKG_OUT}/${_name}
    WORKING_DIRECTORY ${VELMORA_PKG_OUT}
    COMMENT "${_name}.gz"
    VERBATIM)
  list(APPEND _velmora_package_outputs ${VELMORA_PKG_OUT}/${_name}.gz)
endforeach()
add_custom_target(velmora_package_files ALL DEPENDS ${_velmora_package_outputs})

# The hardening a Debian build adds: checked string and memory functions, read-only relocations
# bound at start-up.
target_compile_definitions(velmora PRIVATE _FORTIFY_SOURCE=2)
target_link_options(velmora PRIVATE -Wl,-z,relro -Wl,-z,now)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmora)
install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELMORA_PKG_SRC}/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${VELMORA_PKG_OUT}/${VELMORA_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${VELMORA_PKG_OUT}/velmora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VELMORA_LINUX_README} ${VELMORA_PKG_SRC}/copyright ${VELMORA_PKG_OUT}/changelog.gz
        DESTINATION ${_doc})
install(FILES ${VELMORA_PKG_SRC}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME velmora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # velmora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The tray icon, menu and About window as a native Wayland client; without it, through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# GNOME Shell shows tray icons only through this extension; a Suggests, since the package serves other
# desktops too, where it would pull in GNOME Shell for nothing.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS gnome-shell-extension-appindicator)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELMORA_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "switch the screen resolution from the system tray")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velmora sits in the system tray of an X11 desktop or of GNOME (Wayland or
X11). A click on its icon opens a menu of every display mode the screen's
output offers; the mode in force is ticked and named in the tooltip, and
choosing another one applies it at once: through GNOME's display
configuration, which asks the user to keep the new mode, or elsewhere through
XRandR. On other Wayland desktops it cannot change the mode. The same menu
starts the screen saver, switches it off and on, and opens the desktop's
display settings.

Started with /s1024,768,32 it applies that mode without any window, for the
session, and exits with a status a script can test.
The user interface is Japanese.")
include(CPack)
