# `cmake --install` into PREFIX, then the installed tarvelctl, started without
# --exe-dir, reads the installed product; the udev rule is installed too.
# Run as: cmake -DBUILD=<build folder> -DPREFIX=<fresh folder> -P Install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()
foreach(file bin/tarvelctl share/tarvel/cfg.ini share/tarvel/text.xml
             share/tarvel/skins/main_nr.png lib/udev/rules.d/70-tarvel.rules)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
if(EXISTS ${PREFIX}/share/tarvel/skins/src)
  message(FATAL_ERROR "the skins' sources were installed with the product")
endif()
execute_process(COMMAND ${PREFIX}/bin/tarvelctl settings WORKING_DIRECTORY /
                RESULT_VARIABLE result OUTPUT_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "^\\{\"ok\": true, \"messages\": \\[\\]")
  message(FATAL_ERROR "the installed tarvelctl does not read the installed product:\n${output}")
endif()
