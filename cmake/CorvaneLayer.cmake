# corvane_layer(name [DEPENDS targets...])
# Builds src/<name>/ into the static library corvane_<name>. A layer whose
# folder holds no sources yet is an interface library, so the targets above
# it can already name it.
function(corvane_layer name)
  cmake_parse_arguments(L "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp
       ${PROJECT_SOURCE_DIR}/src/${name}/*.h)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  set(target corvane_${name})
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.h)
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${L_DEPENDS} PRIVATE corvane_warnings)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${L_DEPENDS})
  endif()
endfunction()
