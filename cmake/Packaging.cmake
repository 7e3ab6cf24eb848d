# Installation and the Debian package. `cmake --install` lays out the program folder as the tool
# expects it, the executables with skin.ini, Help.rtf and Contact.rtf beside them, under
# /opt/carecfg; links in /usr/bin, a desktop entry and an icon. `cpack -G DEB` in the build folder
# makes the package (scripts/package does both).
if(NOT TARGET carecfg OR NOT TARGET carecfg-cli)
  return()
endif()

set(CARECFG_PROGRAM_DIR opt/carecfg)
# The destinations are relative to the root, so that `cmake --install` (and DESTDIR) and the
# package put the program folder at /opt/carecfg.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX / CACHE PATH "Installation root" FORCE)
endif()

install(TARGETS carecfg carecfg-cli RUNTIME DESTINATION ${CARECFG_PROGRAM_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/app/skin.ini ${PROJECT_SOURCE_DIR}/app/help/Help.rtf
              ${PROJECT_SOURCE_DIR}/app/help/Contact.rtf
        DESTINATION ${CARECFG_PROGRAM_DIR})

# The links are made at configure time in the build folder (pointing at the installed program)
# and installed as links.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
foreach(program carecfg carecfg-cli)
  file(CREATE_LINK /${CARECFG_PROGRAM_DIR}/${program} ${PROJECT_BINARY_DIR}/packaging/${program}
       SYMBOLIC)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${program} DESTINATION usr/bin)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/carecfg.desktop DESTINATION usr/share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/carecfg.svg
        DESTINATION usr/share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME carecfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "carecfg")
set(CPACK_PACKAGE_CONTACT "carecfg developers <carecfg@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configuration tool for GSM care-and-alarm units over a USB-serial line")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "carecfg identifies a care-and-alarm unit, logs in, mirrors its memory, shows its "
       "settings, histories, short messages and health readings, and writes edited settings "
       "back. carecfg-cli does the same jobs from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs Qt's platform plugins (the libraries alone show nothing); the found library
# dependencies are added to these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)

# The installed layout and programs, checked by the suite.
add_test(NAME PackageInstall
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/InstallTest.sh ${PROJECT_BINARY_DIR})
