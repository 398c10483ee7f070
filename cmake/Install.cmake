# What `cmake --install` puts under the prefix, and the Debian package made
# of it with `cpack -G DEB`. An installed Brak finds all of it through its
# prefix and writes nothing there at run time.

install(TARGETS brak RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The stand-in archiver, so that a fresh install works end to end.
install(PROGRAMS $<TARGET_FILE:JAR32.EXE> DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/BitMap DESTINATION ${CMAKE_INSTALL_DATADIR}/brak)

install(FILES share/brak.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${BRAK_ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES share/brak-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME brak.xml)
configure_file(share/org.kyxtools.Brak.metainfo.xml
               ${CMAKE_BINARY_DIR}/share/org.kyxtools.Brak.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/org.kyxtools.Brak.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
configure_file(share/brak.1 ${CMAKE_BINARY_DIR}/share/brak.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/brak.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The archiver's manual page, with the zstd level and block size of each
# compression switch (tools/jar/FORMAT.md tells how they were chosen).
set(JAR_LEVEL_FAST "level 1, blocks of 4 MiB")
set(JAR_LEVEL_NORMAL "level 3, blocks of 8 MiB")
set(JAR_LEVEL_BETTER "level 9, blocks of 8 MiB")
set(JAR_LEVEL_BEST "level 19, blocks of 16 MiB")
configure_file(share/JAR32.EXE.1 ${CMAKE_BINARY_DIR}/share/JAR32.EXE.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/JAR32.EXE.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES share/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brak)

set(CPACK_PACKAGE_NAME brak)
set(CPACK_PACKAGE_VENDOR "Kyx Tools")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "graphical front-end for the Jar archiver")
set(CPACK_PACKAGE_CONTACT "The Brak developers <brak@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The run-time libraries come from what the programs really link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# JAR32.EXE compresses with libzstd, encrypts with libsodium and computes its recovery
# records with ISA-L; named too, so that the package says so
# even where the library's own version cannot be worked out.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libzstd1, libsodium23, libisal2")
# A face for Chinese, Japanese and Korean names in the console and the grids.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Brak composes commands for the Jar command-line archiver by ticking boxes,\n\
runs them in a console of its own, lists an archive's chapters and files,\n\
and reads and writes Jar's configuration file. A small stand-in archiver,\n\
JAR32.EXE, comes with it.")
# Debug information stays in the build; the package holds lean programs.
set(CPACK_STRIP_FILES ON)
include(CPack)
