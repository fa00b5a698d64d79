# Installed where Debian puts games (the folders are set in CMakeLists.txt),
# and the Debian package made from that install.
# ./play builds the game alone, so an install may find the checker and the
# compressed manual pages missing. It builds them first, and stops before
# anything is copied when that fails, so no half-installed game is left.
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" --build \"${CMAKE_BINARY_DIR}\"
  --config \"\${CMAKE_INSTALL_CONFIG_NAME}\" --target cairn cairn-check cairn_docs
  COMMAND_ERROR_IS_FATAL ANY)")
install(TARGETS cairn cairn-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY levels/ DESTINATION ${CAIRN_DATA}/levels FILES_MATCHING PATTERN "*.txt")
# Manual pages and the package's documents go in compressed, as Debian wants them.
foreach(page cairn.6 cairn-check.6)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/man/${page} > ${page}.gz
    DEPENDS man/${page} VERBATIM)
  install(FILES ${CMAKE_BINARY_DIR}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
add_custom_command(OUTPUT changelog.gz
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > changelog.gz
  DEPENDS packaging/changelog VERBATIM)
add_custom_target(cairn_docs ALL DEPENDS cairn.6.gz cairn-check.6.gz changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz packaging/copyright
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/cairn)
# The desktop's menus list the game among the games, and start it in a terminal.
install(FILES packaging/cairn.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES packaging/cairn.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cairn)
set(CPACK_PACKAGE_CONTACT "cairn developers <cairn@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "puzzle game: push boulders out of the way and reach the exit")
set(CPACK_PACKAGE_DESCRIPTION "A small puzzle game for a text terminal. You walk a grid,
push boulders onto floor and finish each level by standing on its exit.
The levels are plain text files, and cairn-check proves that a level
can be finished and finds a shortest solution.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
