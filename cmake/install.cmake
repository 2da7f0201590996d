# What `cmake --install` puts where, and the Debian package built from it
# (`cpack -G DEB` in a release build tree).
include(GNUInstallDirs)

if(WIN32)
  # The Windows zip (`cpack` in a build tree made with cmake/mingw-w64.cmake):
  # one folder a back office unpacks and runs the programs in, with the
  # manual pages as plain text, the README and the examples.
  install(TARGETS tolvandrv tolvansim RUNTIME DESTINATION .)
  find_program(TOLVAN_GROFF groff REQUIRED)
  foreach(page tolvandrv tolvansim)
    set(text ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.txt)
    add_custom_command(OUTPUT ${text}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND sh -c "\"$0\" -man -Tutf8 -P-cbou \"$1\" > \"$2\"" ${TOLVAN_GROFF} ${CMAKE_CURRENT_SOURCE_DIR}/docs/${page}.1 ${text}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/${page}.1 VERBATIM)
    list(APPEND TOLVAN_MAN_TEXTS ${text})
  endforeach()
  add_custom_target(tolvan_man_pages ALL DEPENDS ${TOLVAN_MAN_TEXTS})
  install(FILES ${TOLVAN_MAN_TEXTS} README.md DESTINATION .)
  install(DIRECTORY docs/ DESTINATION docs FILES_MATCHING PATTERN "*.md")
  install(FILES sim/README.md DESTINATION sim)
  install(DIRECTORY examples DESTINATION . PATTERN "*.cmake" EXCLUDE)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tolvan-${PROJECT_VERSION}-win64)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
  return()
endif()

install(TARGETS tolvandrv tolvansim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# <tolvan/driver.h> (installed beside the library target's definition) is of
# use only with the library behind it.
install(TARGETS tolvan ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# `--strip` (and the package) strips the programs only; the library's debug
# information would make up nearly all of the package.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:tolvan>\")
  endif()")

# Debian keeps its manual pages compressed; where gzip is missing the pages
# go in as they are, which man reads just as well.
find_program(TOLVAN_GZIP gzip)
foreach(page tolvandrv.1 tolvansim.1)
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/docs/${page})
  if(TOLVAN_GZIP)
    set(packed ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_CURRENT_BINARY_DIR}/man/${page}
      COMMAND ${TOLVAN_GZIP} -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/man/${page}
      DEPENDS ${source} VERBATIM)
    list(APPEND TOLVAN_MAN_PAGES ${packed})
  else()
    list(APPEND TOLVAN_MAN_PAGES ${source})
  endif()
endforeach()
add_custom_target(tolvan_man_pages ALL DEPENDS ${TOLVAN_MAN_PAGES})
install(FILES ${TOLVAN_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Beside the README, so that its links to docs/ hold in the installed tree.
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.md")
# The simulator's guide, which its manual page names.
install(FILES sim/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/sim)
install(DIRECTORY examples DESTINATION ${CMAKE_INSTALL_DOCDIR} PATTERN "*.cmake" EXCLUDE)

set(CPACK_PACKAGE_NAME tolvan)
set(CPACK_PACKAGE_VENDOR "Tolvan scale driver team")
set(CPACK_PACKAGE_CONTACT "Tolvan scale driver team <maintainers@users.noreply.c-seed-15297412.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "tolvandrv pushes a store's retail master data (PLUs, extra messages, coupons, price changes, store texts, keyboard layouts, nutrition panels) from text files to every networked Tolvan price-computing scale of the store and collects production totals from them. tolvansim stands in for the scales on loopback ports.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps reads the libraries the binaries link (libc, libgcc,
# libstdc++) and writes the matching Depends line.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# man-db finds the pages without help; nothing else needs a hook.
include(CPack)
