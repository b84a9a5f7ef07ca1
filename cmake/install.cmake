# Installing like a desktop program (`cmake --install build --prefix P`) and the
# Debian package (scripts/package). An installed copy finds everything from its
# own place: P/bin/velmora3d reads P/share/velmora3d (VELMORA_SHARE_FROM_PROGRAM).

install(TARGETS velmora3d RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${VELMORA_SHARE_DIR}/examples)

if(VELMORA_WITH_QT)
  set(resources ${PROJECT_SOURCE_DIR}/resources)
  install(FILES ${resources}/Velmora3d.ui DESTINATION ${VELMORA_SHARE_DIR})
  # Help > Manual reads the README and its pictures.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${VELMORA_SHARE_DIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${VELMORA_SHARE_DIR}/docs FILES_MATCHING PATTERN "*.png")
  install(FILES ${resources}/velmora3d.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${resources}/velmora3d-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
    RENAME velmora3d.xml)
  # velmora3d.png is velmora3d.svg at 256 pixels:
  #   rsvg-convert -w 256 -h 256 resources/icons/velmora3d.svg -o resources/icons/velmora3d.png
  install(FILES ${resources}/icons/velmora3d.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${resources}/icons/velmora3d.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()

# The man page, made from the built program's --help and --version.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(man_page ${PROJECT_BINARY_DIR}/velmora3d.1.gz)
  add_custom_command(OUTPUT ${man_page}
    COMMAND ${HELP2MAN} --no-info --section 1 --name "geometric morphometrics of 3D and 2D landmarks and curves"
            --output velmora3d.1 $<TARGET_FILE:velmora3d>
    COMMAND gzip -9nf velmora3d.1
    DEPENDS velmora3d
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    COMMENT "Making the man page from velmora3d --help"
    VERBATIM)
  add_custom_target(velmora3d_man ALL DEPENDS ${man_page})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found: no man page is made or installed (scripts/install-deps installs it)")
endif()

# The Debian package: build/velmora3d_VERSION_ARCH.deb, its run-time
# dependencies computed from the program's libraries, no maintainer scripts
# (the menus and the file types are refreshed by the desktop's own triggers).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora3d)
set(CPACK_PACKAGE_VENDOR "Velmora3d")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "geometric morphometrics of 3D and 2D landmarks and curves")
set(CPACK_PACKAGE_DESCRIPTION "\
Velmora3d compares the shapes of two samples of specimens digitised as fixed
landmarks and curves: it resamples each curve to evenly spaced semilandmarks,
scales by a digitised ruler, superimposes the samples (generalized Procrustes),
plots them in 3D and tests the difference (Goodall's F, bootstrap and
permutation F, disparity). It runs as a desktop program or headless from batch
scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora3d developers")
set(CPACK_STRIP_FILES ON)
include(CPack)
