# Manual pages and Debian changelogs are installed gzip-compressed, without a name or a
# time stamp in the header (gzip -9n), so that two builds give the same bytes.
function(zel_install_compressed source destination component)
  get_filename_component(name ${source} NAME)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/compressed/${component})
  add_custom_command(OUTPUT ${folder}/${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${folder}/${name}
                     COMMAND gzip -9nf ${folder}/${name}
                     DEPENDS ${source}
                     VERBATIM)
  string(MAKE_C_IDENTIFIER "compress_${component}_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${folder}/${name}.gz)
  install(FILES ${folder}/${name}.gz DESTINATION ${destination} COMPONENT ${component})
endfunction()
