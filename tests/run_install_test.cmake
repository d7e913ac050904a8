# Installs the build into WORK as DESTDIR with the prefix /usr and checks
# what a desktop needs: both programs, the manual, the desktop entry (valid
# where desktop-file-validate exists) and the icon.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${WORK} ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed:\n${output}")
endif()

set(root ${WORK}/usr)
foreach(file bin/numlyra bin/numlyra-cli share/doc/numlyra/html/index.html share/doc/numlyra/html/functions.html
             share/doc/numlyra/html/manual.css share/applications/numlyra.desktop
             share/icons/hicolor/scalable/apps/numlyra.svg)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The installed program runs from its new place.
file(WRITE ${WORK}/input.l "x = sum([1, 2, 3])\n")
file(MAKE_DIRECTORY ${WORK}/home)
execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${WORK}/home ${root}/bin/numlyra-cli --norc ${WORK}/input.l
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "x =[ \n]+6")
  message(FATAL_ERROR "installed numlyra-cli failed (${result}):\n${output}")
endif()

find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} ${root}/share/applications/numlyra.desktop
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate:\n${output}")
  endif()
endif()
