# Fails when an include crosses the floors: the core (link, device, model, files, xls) and report
# include nothing of the window program (app, dialogs) and no widget header; dialogs include nothing
# of app; the tools (vornell-cli, talvo-sim) stand on the core and report as well, so they are held to
# the same rule. A widget header is QtWidgets itself or any header found in the QtWidgets include folder.
#
#   cmake -DSOURCE_DIR=<folder holding src> -DWIDGET_HEADERS=<QtWidgets include folder> -P CheckLayers.cmake

cmake_minimum_required(VERSION 3.25)

set(core link device model files xls report)
set(violations 0)

function(check_file file floor)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
    set(why "")
    if(floor IN_LIST core OR floor STREQUAL "tools")
      if(header MATCHES "^(app|dialogs)/")
        set(why "the core and the tools may not include the window program")
      elseif(header MATCHES "^QtWidgets(/|$)" OR EXISTS "${WIDGET_HEADERS}/${header}")
        set(why "the core and the tools draw no widgets")
      endif()
    elseif(floor STREQUAL "dialogs" AND header MATCHES "^app/")
      set(why "dialogs may not include the application")
    endif()
    if(why)
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
      message("${shown}: includes ${header}: ${why}")
      # Counted here as well, or a second break in the same file would not add to the count.
      math(EXPR violations "${violations} + 1")
      set(violations ${violations} PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

if(NOT IS_DIRECTORY "${WIDGET_HEADERS}" OR NOT EXISTS "${WIDGET_HEADERS}/QWidget")
  message(FATAL_ERROR "no QtWidgets headers in '${WIDGET_HEADERS}'")
endif()
foreach(floor IN LISTS core ITEMS dialogs)
  file(GLOB_RECURSE files "${SOURCE_DIR}/src/${floor}/*.h" "${SOURCE_DIR}/src/${floor}/*.cpp")
  foreach(file IN LISTS files)
    check_file("${file}" ${floor})
  endforeach()
endforeach()
file(GLOB_RECURSE files "${SOURCE_DIR}/tools/*.h" "${SOURCE_DIR}/tools/*.cpp")
foreach(file IN LISTS files)
  check_file("${file}" tools)
endforeach()
if(violations GREATER 0)
  message(FATAL_ERROR "layering: ${violations} includes break the floors")
endif()
message("layering: the floors hold")
