# lf_add_layer(NAME DIR BELOW layers... LINKS libraries...): a static library of every source file under DIR,
# sub-folders included, so that the subsystems of one layer call each other freely. BELOW names the layers it
# calls, only ones further down. A layer with no source file yet makes no library and the layers above skip
# it: a new layer joins the build when its first file lands. The global property LF_LAYERS lists the layer
# libraries made, lowest first.
function(lf_add_layer name dir)
  cmake_parse_arguments(ARG "" "" "BELOW;LINKS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${dir}/*.cpp" "${PROJECT_SOURCE_DIR}/${dir}/*.c")
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  foreach(layer ${ARG_BELOW})
    if(TARGET ${layer})
      target_link_libraries(${name} PUBLIC ${layer})
    endif()
  endforeach()
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  set_property(GLOBAL APPEND PROPERTY LF_LAYERS ${name})
endfunction()
