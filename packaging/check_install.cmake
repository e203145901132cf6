# Installs the build into a fresh staging folder and checks that every file a
# desktop looks for is where it looks.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected bin/varnolt-patch)
if(WITH_WINDOW)
  list(APPEND expected
       bin/varnolt
       share/applications/${APP_ID}.desktop
       share/icons/hicolor/scalable/apps/${APP_ID}.svg
       share/metainfo/${APP_ID}.metainfo.xml)
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS ${STAGE}/${f})
    message(FATAL_ERROR "missing after install: ${f}")
  endif()
endforeach()
foreach(program varnolt-patch varnolt)
  if(EXISTS ${STAGE}/bin/${program})
    file(GET_RUNTIME_DEPENDENCIES EXECUTABLES ${STAGE}/bin/${program} UNRESOLVED_DEPENDENCIES_VAR missing)
    if(missing)
      message(FATAL_ERROR "${program} needs libraries that cannot be found: ${missing}")
    endif()
  endif()
endforeach()
if(WITH_WINDOW)
  file(READ ${STAGE}/share/applications/${APP_ID}.desktop entry)
  if(NOT entry MATCHES "\nExec=varnolt\n" OR NOT entry MATCHES "\nIcon=${APP_ID}\n")
    message(FATAL_ERROR "the desktop entry does not start the installed program with its icon")
  endif()
endif()
execute_process(COMMAND ${STAGE}/bin/varnolt-patch --version OUTPUT_VARIABLE version RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT version MATCHES "^varnolt-patch [0-9]")
  message(FATAL_ERROR "installed varnolt-patch does not run: ${status} ${version}")
endif()
