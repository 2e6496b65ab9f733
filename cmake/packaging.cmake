# Installing and packaging course-eval, included by CMakeLists.txt once the programs are defined:
# - on POSIX hosts the program, its manual page, licence, changelog and example data, packaged as a .deb
#   (scripts/build-deb, or cpack --preset deb);
# - on Windows both programs and a text README, packaged as a .zip (cpack --preset windows) and as an
#   installer (cmake --build --preset windows --target msi).

include(GNUInstallDirs)
set(CPACK_PACKAGE_NAME course-eval)
set(CPACK_PACKAGE_VENDOR "course-eval developers")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "course-eval developers <course-eval@example.org>")
include(cmake/news.cmake)
if(WIN32)
  install(TARGETS course-eval course-evalw RUNTIME DESTINATION .)
  configure_file(docs/README-windows.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
else()
  install(TARGETS course-eval RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The manual page and the changelog are compressed as Debian wants them: gzip -9, without the name and
  # time of the uncompressed file, so that every build gives the same bytes.
  configure_file(docs/course-eval.1.in course-eval.1 @ONLY)
  file(WRITE ${CMAKE_BINARY_DIR}/changelog "${COURSE_EVAL_DEBIAN_CHANGELOG}")
  foreach(document course-eval.1 changelog)
    add_custom_command(OUTPUT ${document}.gz
      COMMAND gzip -9n --stdout ${document} > ${document}.gz
      DEPENDS ${CMAKE_BINARY_DIR}/${document}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  endforeach()
  add_custom_target(compressed-documents ALL DEPENDS course-eval.1.gz changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/course-eval.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_BINARY_DIR}/changelog.gz debian/copyright README.md docs/SAFETY.md
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

# Packages: a Debian package (scripts/build-deb, or cpack --preset deb) and, from the Windows build, a .zip
# (cpack --preset windows).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyse course-evaluation exports into derived text files")
set(CPACK_PACKAGE_DESCRIPTION "course-eval reads a course-evaluation export (sampleEvalData.txt) from a\n\
data folder and writes beside it a field echo, field counts, a reconstruction,\n\
an instructor listing, the records regrouped by description with a cross-check\n\
file, a numbers-only extract and an action log.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The runtime dependencies (the C library, the C++ runtime, libacl and libattr) are read off the program
# by dpkg-shlibdeps; libedit, which the program loads only at a terminal, is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libedit2 (>= 2.11-20080614-0)")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
  # The .exe and the README stand at the top of the archive.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # The installer (an .msi, `cmake --build --preset windows --target msi`), made with wixl from msitools: both
  # programs and the README from a folder of their own, as wixl takes files by their names there.
  set(msi_stage ${CMAKE_BINARY_DIR}/msi)
  set(msi_file ${CMAKE_BINARY_DIR}/course-eval-${PROJECT_VERSION}-windows-x64.msi)
  configure_file(cmake/course-eval.wxs.in ${msi_stage}/course-eval.wxs @ONLY)
  find_program(COURSE_EVAL_WIXL wixl)
  find_program(COURSE_EVAL_FAKETIME faketime)
  if(COURSE_EVAL_WIXL AND COURSE_EVAL_FAKETIME)
    add_custom_command(OUTPUT ${msi_file}
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:course-eval> $<TARGET_FILE:course-evalw>
              ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/windows-resources/course-eval.ico ${msi_stage}
      COMMAND ${CMAKE_COMMAND} -DSTAGE=${msi_stage} -DOUTPUT=${msi_file} -DVERSION=${PROJECT_VERSION}
              -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DWIXL=${COURSE_EVAL_WIXL} -DFAKETIME=${COURSE_EVAL_FAKETIME}
              -P ${CMAKE_SOURCE_DIR}/cmake/build-msi.cmake
      DEPENDS course-eval course-evalw ${msi_stage}/course-eval.wxs ${CMAKE_BINARY_DIR}/README.txt
              cmake/build-msi.cmake
      VERBATIM)
    add_custom_target(msi DEPENDS ${msi_file})
  else()
    add_custom_target(msi
      COMMAND ${CMAKE_COMMAND} -E echo
              "wixl or faketime was not found; on Debian install them with: apt-get install wixl msitools faketime"
      COMMAND ${CMAKE_COMMAND} -E false)
  endif()
else()
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)
