# Builds the Debian package from this build, lists it and has lintian judge
# it: every file where a Debian system expects it, dependencies found from
# the shared libraries, a stripped program, and no lintian error.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DESTDIR
                        cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
file(GLOB deb ${WORK_DIR}/lumisk_*.deb)
if(status OR NOT deb)
  message(FATAL_ERROR "cpack failed: ${status}\n${out}")
endif()

execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
message(STATUS "${listing}")
include(${CMAKE_CURRENT_LIST_DIR}/installedfiles.cmake)
foreach(path ${installed_files})
  string(FIND "${listing}" " ./usr/${path}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "not in the package: ${path}")
  endif()
endforeach()
if(listing MATCHES "(usr/local|/lib/lib[a-z_]+\\.a|include/)")
  message(FATAL_ERROR "the package holds build leftovers: ${CMAKE_MATCH_1}")
endif()

execute_process(COMMAND dpkg-deb -f ${deb} Package Depends Section Maintainer
                OUTPUT_VARIABLE control)
foreach(field "Package: lumisk" "libqt6widgets6" "libcurl4" "Section: graphics" "Maintainer: ")
  string(FIND "${control}" "${field}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the control file lacks ${field}:\n${control}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -x ${deb} ${WORK_DIR}/root)
execute_process(COMMAND readelf -S ${WORK_DIR}/root/usr/bin/lumisk OUTPUT_VARIABLE sections)
if(sections MATCHES "\\.(debug_info|symtab)")
  message(FATAL_ERROR "the packaged program is not stripped: .${CMAKE_MATCH_1}")
endif()

find_program(LINTIAN lintian REQUIRED)
execute_process(COMMAND ${LINTIAN} --no-cfg --fail-on error ${deb}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "lintian:\n${out}")
if(status)
  message(FATAL_ERROR "lintian found errors (${status}):\n${out}${err}")
endif()
