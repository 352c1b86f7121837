# The core's folders, one library each, in the one order their dependencies may point: a folder
# includes only itself and the folders before it. Each library links the one before it, so a
# front end that links the last has them all.
set(VRKT_CORE_LAYERS base ui params link sim phonebook files unit loader pin app)

# Declares the library of one core folder from its explicit source list. The build checks every
# source and header of the folder against the order and fails on an include that points up
# (cmake/check_layer.cmake).
function(vrkt_layer name)
  list(FIND VRKT_CORE_LAYERS ${name} index)
  if(index LESS 0)
    message(FATAL_ERROR "${name} is no core folder: add it to VRKT_CORE_LAYERS")
  endif()
  set(allowed "")
  set(previous "")
  foreach(layer IN LISTS VRKT_CORE_LAYERS)
    list(APPEND allowed ${layer})
    if(layer STREQUAL name)
      break()
    endif()
    set(previous ${layer})
  endforeach()

  set(sources ${ARGN})
  list(TRANSFORM sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(file IN LISTS sources)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${file} is listed but does not exist")
    endif()
  endforeach()
  # A source file on disk that no list names would silently drop out of the build.
  file(GLOB on_disk CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(file IN LISTS on_disk)
    if(NOT file IN_LIST sources)
      message(FATAL_ERROR "${file} is not in the source list of src/${name}/CMakeLists.txt")
    endif()
  endforeach()

  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/layer_${name}.checked)
  string(REPLACE ";" "," allowed_arg "${allowed}")
  string(REPLACE ";" "," layers_arg "${VRKT_CORE_LAYERS}")
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${name} "-DALLOWED=${allowed_arg}" "-DLAYERS=${layers_arg}"
            "-DFOLDER=${CMAKE_CURRENT_SOURCE_DIR}" -DSTAMP=${stamp}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
    DEPENDS ${sources} ${headers} ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
    COMMENT "Checking that src/${name} includes only ${allowed}"
    VERBATIM)
  add_custom_target(vrkt_${name}_layer_check DEPENDS ${stamp})

  add_library(vrkt_${name} STATIC ${sources} ${headers})
  add_dependencies(vrkt_${name} vrkt_${name}_layer_check)
  target_include_directories(vrkt_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(previous)
    target_link_libraries(vrkt_${name} PUBLIC vrkt_${previous})
  endif()
endfunction()
