# Builds the Debian package into a fresh folder and reads its control fields
# and contents back.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB -B ${OUT} --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB debs ${OUT}/*.deb)
if(NOT status EQUAL 0 OR NOT debs)
  message(FATAL_ERROR "cpack made no package: ${status}\n${log}")
endif()
execute_process(COMMAND dpkg-deb --field ${debs} Package Depends OUTPUT_VARIABLE control)
execute_process(COMMAND dpkg-deb --contents ${debs} OUTPUT_VARIABLE contents)
message(STATUS "${control}")

set(needed "Package: varnolt" "libc6" "./usr/bin/varnolt-patch")
if(WITH_WINDOW)
  list(APPEND needed libqt6widgets6 qt6-qpa-plugins fonts-wqy-microhei ./usr/bin/varnolt
       ./usr/share/applications/${APP_ID}.desktop ./usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg
       ./usr/share/metainfo/${APP_ID}.metainfo.xml)
endif()
foreach(text IN LISTS needed)
  string(FIND "${control}${contents}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package lacks ${text}\n${control}${contents}")
  endif()
endforeach()
