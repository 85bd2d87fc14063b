# Installs the build into a fresh prefix and checks what a desktop needs:
# every file in its place, icons of the size their folder promises, a menu
# entry and metainfo that validate, a manual page made from --help, and an
# installed program that runs.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/installedfiles.cmake)
foreach(path ${installed_files})
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# A PNG's width and height are the big-endian words at bytes 16 and 20.
foreach(size ${ICON_SIZES})
  file(READ ${prefix}/share/icons/hicolor/${size}x${size}/apps/lumisk.png header
       OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${header}" 0 8 w)
  string(SUBSTRING "${header}" 8 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT w EQUAL size OR NOT h EQUAL size)
    message(FATAL_ERROR "the ${size}x${size} icon is ${w}x${h}")
  endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND ${DESKTOP_FILE_VALIDATE}
                          ${prefix}/share/applications/org.lumisk.Lumisk.desktop
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(status)
    message(FATAL_ERROR "desktop-file-validate: ${out}")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net
                          ${prefix}/share/metainfo/org.lumisk.Lumisk.metainfo.xml
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(status)
    message(FATAL_ERROR "appstreamcli validate: ${out}")
  endif()
endif()

# The manual page carries the options --help prints.
execute_process(COMMAND ${prefix}/bin/lumisk --help RESULT_VARIABLE status OUTPUT_VARIABLE help)
execute_process(COMMAND gzip -dc ${prefix}/share/man/man1/lumisk.1.gz OUTPUT_VARIABLE man)
if(status OR NOT help MATCHES "Data folder: ${prefix}/bin \\(the program's own folder\\)")
  message(FATAL_ERROR "the installed lumisk --help: ${status}\n${help}")
endif()
string(REGEX MATCHALL "\n  --[a-z-]+" options "${help}")
foreach(option ${options})
  string(STRIP "${option}" option)
  string(REPLACE "-" "\\-" roff "${option}")
  string(FIND "${man}" "${roff}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the manual page lacks ${option}")
  endif()
endforeach()
