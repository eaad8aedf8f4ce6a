# Each folder of the program is one library. Its headers are reached as "<folder>/X.h" only by
# the targets that link it: a library's include path holds its own folder and, through linking,
# the folders below it, so an include of a layer above does not compile.
# The folders are named from the checkout's root, whichever project includes this file (the fuzz
# build is a project of its own in fuzz/).
get_filename_component(KESTRANE_RACINE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
function(kestrane_couche cible dossier)
  set(racine ${CMAKE_BINARY_DIR}/entetes/${cible})
  get_filename_component(parent ${racine}/${dossier} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${racine}/${dossier})
    file(CREATE_LINK ${KESTRANE_RACINE_SOURCES}/${dossier} ${racine}/${dossier} SYMBOLIC)
  endif()
  get_target_property(type ${cible} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${cible} INTERFACE ${racine})
  else()
    target_include_directories(${cible} PUBLIC ${racine})
  endif()
endfunction()
