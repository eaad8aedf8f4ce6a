# Installed in two parts, one Debian package each (`cpack` in the build folder makes both):
#   kestrane-rapport  the command line alone (no Qt, no ALSA), for servers and scripts;
#   kestrane          the window, its menu entry, icon and AppStream description; it depends on
#                     kestrane-rapport.
# Each has its manual page and, where Debian expects them, its copyright and changelog.
include(GNUInstallDirs)
set(KESTRANE_ID fr.kestrane.Kestrane)
set(KESTRANE_BUREAU ${CMAKE_CURRENT_LIST_DIR})
set(KESTRANE_ICONES ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
set(KESTRANE_MAN ${CMAKE_INSTALL_MANDIR}/man1)
include(${PROJECT_SOURCE_DIR}/docs/man/Manuels.cmake)

# Debian's changelog of a native package, compressed as policy asks (no name, no date inside).
set(KESTRANE_CHANGELOG ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${KESTRANE_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debian
  COMMAND gzip -9 -n -c ${KESTRANE_BUREAU}/debian/changelog > ${KESTRANE_CHANGELOG}
  DEPENDS ${KESTRANE_BUREAU}/debian/changelog VERBATIM)
add_custom_target(kestrane_changelog ALL DEPENDS ${KESTRANE_CHANGELOG})

function(kestrane_documents paquet)
  install(FILES ${KESTRANE_BUREAU}/debian/copyright ${KESTRANE_CHANGELOG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${paquet} COMPONENT ${paquet})
endfunction()

install(TARGETS kestrane-rapport RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT kestrane-rapport)
install(FILES ${CMAKE_BINARY_DIR}/man/kestrane-rapport.1.gz DESTINATION ${KESTRANE_MAN}
  COMPONENT kestrane-rapport)
install(FILES ${KESTRANE_CATALOGUE_EN} DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/en/LC_MESSAGES
  COMPONENT kestrane-rapport)
kestrane_documents(kestrane-rapport)
set(KESTRANE_PAQUETS kestrane-rapport)

if(TARGET kestrane)
  install(TARGETS kestrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kestrane)
  install(FILES ${CMAKE_BINARY_DIR}/man/kestrane.1.gz DESTINATION ${KESTRANE_MAN}
    COMPONENT kestrane)
  install(FILES ${KESTRANE_BUREAU}/${KESTRANE_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT kestrane)
  install(FILES ${KESTRANE_BUREAU}/${KESTRANE_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT kestrane)
  install(FILES ${KESTRANE_BUREAU}/${KESTRANE_ID}.svg
    DESTINATION ${KESTRANE_ICONES}/scalable/apps COMPONENT kestrane)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrane COMPONENT kestrane)
  kestrane_documents(kestrane)
  list(APPEND KESTRANE_PAQUETS kestrane)

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
      install(FILES ${png} DESTINATION ${KESTRANE_ICONES}/${taille}x${taille}/apps
        COMPONENT kestrane)
      list(APPEND icones_png ${png})
    endforeach()
    add_custom_target(kestrane_icones ALL DEPENDS ${icones_png})
    # Built with the program, so that building it alone is enough to install.
    add_dependencies(kestrane kestrane_icones)
  else()
    message(STATUS "rsvg-convert absent: the icon is installed as SVG only")
  endif()
  add_dependencies(kestrane kestrane_manuels kestrane_changelog)
endif()
add_dependencies(kestrane-rapport kestrane_manuels kestrane_changelog)

# The Debian packages (each description's first line is its synopsis): the dependencies of each are those of its own programs' libraries
# (dpkg-shlibdeps), so the command line's has neither Qt nor ALSA; the platform plugins come
# with libqt6gui6.
set(CPACK_GENERATOR DEB)
set(CPACK_COMPONENTS_ALL ${KESTRANE_PAQUETS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME kestrane)
set(CPACK_PACKAGE_VENDOR "Équipe Kestrane")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Équipe Kestrane <equipe@kestrane.fr>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_KESTRANE-RAPPORT_PACKAGE_NAME kestrane-rapport)
set(CPACK_DEBIAN_KESTRANE-RAPPORT_DESCRIPTION
  "rapport HTML et CSV du journal d'accès d'un serveur web, sans affichage
kestrane-rapport lit le journal d'accès d'un serveur web au format
combiné, compressé ou non, et écrit son rapport en une page HTML
autonome et en tables CSV : adresses des clients, systèmes, navigateurs
et robots, pages précédentes, fichiers chargés, octets par adresse,
tranches horaires, requêtes par période, codes renvoyés et erreurs. Sans
fenêtre ni son, pour un serveur ou une tâche cron ; le paquet kestrane
en est l'interface graphique.")

set(CPACK_DEBIAN_KESTRANE_PACKAGE_NAME kestrane)
set(CPACK_DEBIAN_KESTRANE_DESCRIPTION
  "analyseur du journal d'accès d'un serveur web
Kestrane lit le journal d'accès d'un serveur web au format combiné et
compte les adresses des clients, les systèmes, les navigateurs et les
robots, les pages précédentes, les fichiers chargés, les octets par
adresse, les tranches horaires et les requêtes par période ; il les
montre en graphiques et en tableaux de rapport triables. Interface en
français. Son analyse en ligne de commande est celle du paquet
kestrane-rapport.")
set(CPACK_DEBIAN_KESTRANE_PACKAGE_DEPENDS "kestrane-rapport (= ${PROJECT_VERSION})")
# French standard dialogs and buttons; the program runs without them, in English.
set(CPACK_DEBIAN_KESTRANE_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)

# Each package's installed tree, checked in a temporary DESTDIR, and the packages themselves.
if(BUILD_TESTING)
  add_test(NAME Installation
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/installation/verifier_installation.sh
      ${CMAKE_BINARY_DIR} ${KESTRANE_ID} ${PROJECT_VERSION} "${KESTRANE_PAQUETS}")
  set_tests_properties(Installation PROPERTIES LABELS installation
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
  # The packages are made from the release build only: a sanitized program is never shipped.
  if(NOT KESTRANE_SANITIZE)
    add_test(NAME Paquets
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/installation/verifier_paquets.sh
        ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
    set_tests_properties(Paquets PROPERTIES LABELS installation RUN_SERIAL ON)
  endif()
endif()
