# Headers are included by their component's name ("model/model.h"). Each
# component exports a folder that holds only a link named after it, so a
# target sees the components it links and no others: an include of a layer
# above fails to compile.
function(pandemie_component_headers target component)
  set(folder ${PROJECT_BINARY_DIR}/include/${component})
  if(NOT EXISTS ${folder}/${component})
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${component} ${folder}/${component} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${folder})
  else()
    target_include_directories(${target} PUBLIC ${folder})
  endif()
endfunction()
