# Where `cmake --install` and the Debian package put the program (see
# docs/install.md). The program keeps its "translations" folder beside
# itself, so it lives in a folder of its own with a link in the command
# folder; the command-line tools go straight into the command folder.
include(GNUInstallDirs)

set(TESSARO_INSTALL_PROGRAM_DIR "lib/tessaro")
set(TESSARO_INSTALL_TRANSLATIONS_DIR "${TESSARO_INSTALL_PROGRAM_DIR}/translations")
set(TESSARO_INSTALL_BIN_DIR "${CMAKE_INSTALL_BINDIR}")
set(TESSARO_INSTALL_DESKTOP_DIR "${CMAKE_INSTALL_DATAROOTDIR}/applications")
set(TESSARO_INSTALL_ICON_DIR "${CMAKE_INSTALL_DATAROOTDIR}/icons")

# Everything the installation takes; scripts/package.sh builds just this.
add_custom_target(tessaro_installed)

# tessaro_install_tool(<target>): installs a command-line program that users
# or dealers run into the command folder. One line per tool, in the tool's
# own CMakeLists.txt.
function(tessaro_install_tool TARGET)
  install(TARGETS ${TARGET} RUNTIME DESTINATION ${TESSARO_INSTALL_BIN_DIR})
  add_dependencies(tessaro_installed ${TARGET})
endfunction()

# tessaro_install_program_link(<target>): the program itself into its own
# folder, and a relative symbolic link to it in the command folder, so that
# it runs by name and still finds the files beside it.
function(tessaro_install_program_link TARGET)
  install(TARGETS ${TARGET} RUNTIME DESTINATION ${TESSARO_INSTALL_PROGRAM_DIR})
  add_dependencies(tessaro_installed ${TARGET})
  set(link_dir ${CMAKE_BINARY_DIR}/install-links)
  file(MAKE_DIRECTORY ${link_dir})
  # Both folders lie under the same prefix, whatever it is at install time.
  file(RELATIVE_PATH target_path /prefix/${TESSARO_INSTALL_BIN_DIR} /prefix/${TESSARO_INSTALL_PROGRAM_DIR}/${TARGET})
  file(CREATE_LINK ${target_path} ${link_dir}/${TARGET} SYMBOLIC)
  install(FILES ${link_dir}/${TARGET} DESTINATION ${TESSARO_INSTALL_BIN_DIR})
endfunction()
