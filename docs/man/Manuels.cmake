# The manual pages of the two programs, from one model (docs/man/kestrane.1.in): the options,
# exit codes, files and examples are the command line's, shared; the name, synopsis and
# description are each program's. Made at configure time, compressed as Debian installs them.
set(KESTRANE_DATE_MANUEL "décembre 2026")
set(KESTRANE_MANUELS)

function(kestrane_manuel nom)
  cmake_parse_arguments(M "" "RESUME;SYNOPSIS;DESCRIPTION;FICHIERS;VOIR_AUSSI" "" ${ARGN})
  string(TOUPPER ${nom} NOM_MAJUSCULES)
  string(REPLACE "-" "\\-" NOM_ECHAPPE ${nom})
  set(NOM ${nom})
  set(VERSION ${PROJECT_VERSION})
  set(DATE_MANUEL ${KESTRANE_DATE_MANUEL})
  foreach(partie RESUME SYNOPSIS DESCRIPTION FICHIERS VOIR_AUSSI)
    set(${partie} "${M_${partie}}")
  endforeach()
  set(page ${CMAKE_BINARY_DIR}/man/${nom}.1)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/kestrane.1.in ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND gzip -9 -n -c ${page} > ${page}.gz
    DEPENDS ${page} VERBATIM)
  set(KESTRANE_MANUELS ${KESTRANE_MANUELS} ${page}.gz PARENT_SCOPE)
endfunction()

kestrane_manuel(kestrane-rapport
  RESUME "rapport HTML et tables CSV du journal d'accès d'un serveur web, sans affichage"
  SYNOPSIS ".B kestrane\\-rapport\n.RI [ options ] \" journal\" ..."
  DESCRIPTION ".B kestrane\\-rapport
analyse un ou plusieurs journaux d'accès d'un serveur web et écrit leur rapport en HTML, ses
tables en CSV, ou les deux, sans fenêtre ni affichage : c'est l'analyse de
.BR kestrane (1)
pour un serveur ou un script, qui n'a besoin ni de Qt ni d'un périphérique de son.
.B kestrane \\-\\-rapport
fait la même chose avec les mêmes options."
  FICHIERS ""
  VOIR_AUSSI ".BR kestrane (1),\n.BR gzip (1),\n.BR cron (8)")

kestrane_manuel(kestrane
  RESUME "analyseur du journal d'accès d'un serveur web"
  SYNOPSIS ".B kestrane\n.RI [ journal ...]\n.br\n.B kestrane\n.RI [ options ] \" journal\" ..."
  DESCRIPTION "Sans option,
.B kestrane
ouvre sa fenêtre, sur les journaux nommés s'il y en a : ils y sont chargés comme un seul
journal. La fenêtre analyse, trace les graphiques, montre les tableaux du rapport, les
compléments et les lignes ignorées, et exporte le rapport. Les bips se taisent sans
périphérique de son, ou quand la variable d'environnement
.B KESTRANE_SANS_SON
vaut 1.
.PP
Avec une option,
.B kestrane
analyse sans ouvrir de fenêtre et écrit le rapport, comme
.BR kestrane\\-rapport (1) \" :\"
ni affichage ni son ne sont alors nécessaires."
  FICHIERS ".TP\n.I ~/.config/Kestrane/Kestrane.conf\nles réglages de la fenêtre : journaux récents, options du menu Outils, choix des lignes\nignorées."
  VOIR_AUSSI ".BR kestrane\\-rapport (1),\n.BR gzip (1),\n.BR cron (8)")

add_custom_target(kestrane_manuels ALL DEPENDS ${KESTRANE_MANUELS})
