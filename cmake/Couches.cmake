# Each folder of the program is one library. Its headers are reached as "<folder>/X.h" only by
# the targets that link it: a library's include path holds its own folder and, through linking,
# the folders below it, so an include of a layer above does not compile.
function(kestrane_couche cible dossier)
  set(racine ${CMAKE_BINARY_DIR}/entetes/${cible})
  get_filename_component(parent ${racine}/${dossier} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${racine}/${dossier})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${dossier} ${racine}/${dossier} SYMBOLIC)
  endif()
  get_target_property(type ${cible} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${cible} INTERFACE ${racine})
  else()
    target_include_directories(${cible} PUBLIC ${racine})
  endif()
endfunction()
