# The installation: the plug-in, drafthost, the catalogue stand-ins and
# metacheck, the setup files, and a start.env beside the plug-in that names
# the installation relative to itself (%DirOfThisFile%), so it may be moved.
# Windows: one folder (the programs, start.env, setup/); elsewhere:
# bin/ and share/drwlink2/setup/. CPack makes a ZIP of the Windows one and a
# Debian package (under /opt/drwlink2) of the other.
if(WIN32)
  set(DRW_INSTALL_BIN .)
  set(DRW_INSTALL_SETUP setup)
  set(DRW_START_SETUP "%DirOfThisFile%/setup")
else()
  set(DRW_INSTALL_BIN bin)
  set(DRW_INSTALL_SETUP share/drwlink2/setup)
  set(DRW_START_SETUP "%DirOfThisFile%/../share/drwlink2/setup")
endif()

install(TARGETS drafthost moxistart moxicatalog metacheck RUNTIME DESTINATION ${DRW_INSTALL_BIN})
install(TARGETS drwlink2 RUNTIME DESTINATION ${DRW_INSTALL_BIN} LIBRARY DESTINATION ${DRW_INSTALL_BIN})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/setup/ DESTINATION ${DRW_INSTALL_SETUP}
        PATTERN CMakeLists.txt EXCLUDE PATTERN "*.in" EXCLUDE)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/install/start.env NEWLINE_STYLE UNIX CONTENT
"; Start file of the installation: names the setup folder and the programs
; relative to this file, wherever the installation is.
[ENVIRONS]
HALDRIX=${DRW_START_SETUP}
HALDRIX_SETUP=${DRW_START_SETUP}
HALDRIX_BIN=%DirOfThisFile%
HALDRIX_EXESUFFIX=${CMAKE_EXECUTABLE_SUFFIX}
")
install(FILES ${PROJECT_BINARY_DIR}/install/start.env DESTINATION ${DRW_INSTALL_BIN})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${DRW_INSTALL_SETUP}/..)

set(CPACK_PACKAGE_NAME drwlink2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Parts-catalogue plug-in for a drafting host, with a stand-in host and catalogue")
set(CPACK_PACKAGE_CONTACT "drwlink2 developers <drwlink2@example.org>")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /opt/drwlink2)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
endif()
include(CPack)
