# Fails when a file under src/ includes a folder above its own layer.
# The layers, lowest first; a folder may include its own layer and any below.
# Run as: cmake -DSOURCE_DIR=<repo>/src -P CheckLayers.cmake
set(layers platform settings device model store sync framework controls pages app)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers: SOURCE_DIR is not set")
endif()

set(violations "")
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
foreach(file ${files})
  string(REGEX MATCH "^[^/]+" own ${file})
  list(FIND layers ${own} own_rank)
  if(own_rank EQUAL -1)
    list(APPEND violations "${file}: folder '${own}' is in no layer")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
    if(NOT included MATCHES "/")
      continue()  # a file of the same folder
    endif()
    string(REGEX MATCH "^[^/]+" target ${included})
    list(FIND layers ${target} target_rank)
    if(target_rank GREATER own_rank)
      list(APPEND violations "${file} includes ${included}: ${target} is above ${own}")
    endif()
  endforeach()
endforeach()

if(violations)
  list(LENGTH violations count)
  string(REPLACE ";" "\n  " report "${violations}")
  message(FATAL_ERROR "${count} include(s) point up a layer:\n  ${report}")
endif()
list(LENGTH files count)
message(STATUS "layers hold in ${count} files")
