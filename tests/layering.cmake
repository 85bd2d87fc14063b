# The folders point down only: nothing outside src/app includes a header of
# src/app, and no file of lumisk_core includes a window's header (a header of
# a lumisk_gui source, of the widgets kit or of src/app), so the engines build
# and run without a display.
#
# cmake -DSOURCE_DIR=<checkout> -DGUI_SOURCES=<lumisk_gui's sources, "|"-separated> -P layering.cmake
cmake_minimum_required(VERSION 3.25)

set(src "${SOURCE_DIR}/src")
file(GLOB_RECURSE files RELATIVE "${src}" "${src}/*.h" "${src}/*.cpp")

# Every file of a window, named as an include names it ("viewers/viewform.h").
string(REPLACE "|" ";" gui_sources "${GUI_SOURCES}")
set(window_files "")
foreach(path IN LISTS gui_sources)
  cmake_path(IS_PREFIX src "${path}" NORMALIZE under_src)
  if(NOT under_src)
    continue() # generated (moc)
  endif()
  file(RELATIVE_PATH relative "${src}" "${path}")
  string(REGEX REPLACE "\\.cpp$" "" stem "${relative}")
  list(APPEND window_files "${stem}.cpp" "${stem}.h")
endforeach()
foreach(file IN LISTS files)
  if(file MATCHES "^(app|widgets)/")
    list(APPEND window_files "${file}")
  endif()
endforeach()

set(faults "")
foreach(file IN LISTS files)
  file(STRINGS "${src}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  list(FIND window_files "${file}" window_index)
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
    if(NOT file MATCHES "^app/" AND header MATCHES "^app/")
      list(APPEND faults "src/${file} includes ${header}, a header of src/app")
    elseif(window_index EQUAL -1)
      list(FIND window_files "${header}" header_index)
      if(NOT header_index EQUAL -1)
        list(APPEND faults "src/${file} is in lumisk_core but includes ${header}, a window's header")
      endif()
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "Layers must point down only:\n${text}")
endif()
list(LENGTH files count)
message(STATUS "Layering: ${count} files checked, none reaches up")
