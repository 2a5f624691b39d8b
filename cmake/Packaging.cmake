# Installation (make install) and the Debian package (make deb, CPack).
#
#   <prefix>/games/numerion
#   <prefix>/share/man/man6/numerion.6        (compressed in the package)
#   <prefix>/share/doc/numerion/README.md, the pictures and documents it links, copyright

# `install` and CPack install only what the rules below name; they need not build the tests
# and benchmarks first (make install and make deb build the game themselves).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The manual page carries the version of project().
configure_file(${PROJECT_SOURCE_DIR}/docs/numerion.6.in ${PROJECT_BINARY_DIR}/numerion.6 @ONLY)

install(TARGETS numerion RUNTIME DESTINATION games)
install(FILES ${PROJECT_BINARY_DIR}/numerion.6 DESTINATION share/man/man6)
install(FILES README.md packaging/copyright DESTINATION share/doc/numerion)
# Everything of docs/ the README links, so that its links hold where it is installed.
install(FILES docs/title.png docs/room.png docs/web.png docs/terminals.md docs/windows.md
              docs/web.md docs/testing.md docs/performance.md docs/fuzzing.md
        DESTINATION share/doc/numerion/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME numerion)
set(CPACK_PACKAGE_CONTACT "Numerion maintainers <maintainers@users.noreply.c-seed-e630653d.example>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # numerion_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary line is project()'s description; CPack indents the long text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A German-language action game for the 80 x 35 text console: as the
apprentice of the number wizard Numerion you walk through a castle of 100 rooms
and collect all 20000 digits without touching the walls or the mines. The best
100 results are kept in a list in the working directory.")
# Dependencies from the shared libraries the binary links (dpkg-shlibdeps), never by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian keeps manual pages compressed: done in the staging tree, so `make install` keeps a
# plain page.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CompressManPages.cmake)

include(CPack)
