# velmorra_version_resource(TARGET DESCRIPTION): gives the Windows program TARGET a version
# resource with the project's version and DESCRIPTION, shown in the file's properties.
function(velmorra_version_resource target description)
  set(VELMORRA_RESOURCE_NAME ${target})
  set(VELMORRA_RESOURCE_FILE ${target}.exe)
  set(VELMORRA_RESOURCE_DESCRIPTION "${description}")
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version_resource.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})
endfunction()
