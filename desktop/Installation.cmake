# Installed like a desktop program: the executable, its menu entry, its icon and its AppStream
# description where desktops and software centres look for them; `cpack -G DEB` in the build
# folder makes the Debian package of the same tree.
if(NOT TARGET kestrane)
  return()
endif()

include(GNUInstallDirs)
set(KESTRANE_ID fr.kestrane.Kestrane)
set(KESTRANE_BUREAU ${CMAKE_CURRENT_LIST_DIR})
set(KESTRANE_ICONES ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

install(TARGETS kestrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KESTRANE_BUREAU}/${KESTRANE_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KESTRANE_BUREAU}/${KESTRANE_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KESTRANE_BUREAU}/${KESTRANE_ID}.svg DESTINATION ${KESTRANE_ICONES}/scalable/apps)
install(FILES LICENSE README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrane)

# Bitmap sizes for the panels and menus that do not draw SVG, rendered from the one drawing.
find_program(KESTRANE_RSVG rsvg-convert)
if(KESTRANE_RSVG)
  set(icones_png)
  foreach(taille 16 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icones/${taille}x${taille}/${KESTRANE_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icones/${taille}x${taille}
      COMMAND ${KESTRANE_RSVG} -w ${taille} -h ${taille} -o ${png}
        ${KESTRANE_BUREAU}/${KESTRANE_ID}.svg
      DEPENDS ${KESTRANE_BUREAU}/${KESTRANE_ID}.svg VERBATIM)
    install(FILES ${png} DESTINATION ${KESTRANE_ICONES}/${taille}x${taille}/apps)
    list(APPEND icones_png ${png})
  endforeach()
  add_custom_target(kestrane_icones ALL DEPENDS ${icones_png})
  # Built with the program, so that building it alone is enough to install.
  add_dependencies(kestrane kestrane_icones)
else()
  message(STATUS "rsvg-convert absent: the icon is installed as SVG only")
endif()

# The Debian package: its dependencies are those of the installed program's libraries
# (dpkg-shlibdeps); the platform plugins come with libqt6gui6.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrane)
set(CPACK_PACKAGE_VENDOR "Équipe Kestrane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyseur du journal d'accès d'un serveur web")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kestrane lit le journal d'accès d'un serveur web au format combiné et compte\n"
  "les adresses des clients, les systèmes, les navigateurs et les robots, les pages\n"
  "précédentes, les fichiers chargés, les octets par adresse, les tranches horaires\n"
  "et les requêtes par période ; il les montre en graphiques et en tableaux de\n"
  "rapport triables. Interface en français.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Équipe Kestrane <equipe@kestrane.fr>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# French standard dialogs and buttons; the program runs without them, in English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)

# The installed tree, checked in a temporary DESTDIR.
if(BUILD_TESTING)
  add_test(NAME Installation
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/installation/verifier_installation.sh
      ${CMAKE_BINARY_DIR} ${KESTRANE_ID} ${PROJECT_VERSION})
  set_tests_properties(Installation PROPERTIES LABELS installation
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
