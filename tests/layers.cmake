# Fails on every include that crosses a layer the wrong way, naming the file,
# the line and the include:
#   src/core/protocol    includes only itself;
#   src/core/links       includes itself and the protocol;
#   src/core/store       includes itself and the protocol;
#   src/core/operations  includes the core's four folders;
#   no src/core file includes a header of Qt Widgets or Qt GUI;
#   src/ui    includes src/ui and src/core;
#   src/cli   includes src/cli and src/core;
#   src/web   includes src/web and src/core;
#   sim       includes only sim.
# A project include is resolved as the compiler would: beside the including
# file first (so "../ui/texts.h" counts), else by its name in each layer's
# folder (so "texts.h" from the core counts, as it exists only in src/ui).
# Any other include of a core file is looked up in the Qt Widgets and Qt GUI
# include folders, with or without its module ("<QLabel>", "<QtWidgets/QLabel>",
# "<qlabel.h>", "<QtGui>").
#
#   cmake -DROOT=<checkout> "-DQT_DIRS=<QtWidgets folder>|<QtGui folder>" -P layers.cmake

cmake_minimum_required(VERSION 3.21)

set(core src/core/protocol src/core/links src/core/store src/core/operations)
set(layers ${core} src/ui src/cli src/web sim)
set(allowed_src/core/protocol src/core/protocol)
set(allowed_src/core/links src/core/links src/core/protocol)
set(allowed_src/core/store src/core/store src/core/protocol)
set(allowed_src/core/operations ${core})
set(allowed_src/ui src/ui ${core})
set(allowed_src/cli src/cli ${core})
set(allowed_src/web src/web ${core})
set(allowed_sim sim)

file(REAL_PATH "${ROOT}" root)
foreach(layer IN LISTS layers)
  if(NOT IS_DIRECTORY "${root}/${layer}")
    message(FATAL_ERROR "no folder ${root}/${layer}")
  endif()
endforeach()
# Without the Qt folders the widget check could not fail: refuse to pass then.
string(REPLACE "|" ";" qt_dirs "${QT_DIRS}")
if(NOT qt_dirs)
  message(FATAL_ERROR "no Qt Widgets or Qt GUI include folder given (QT_DIRS)")
endif()
foreach(dir IN LISTS qt_dirs)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "no Qt include folder ${dir}")
  endif()
endforeach()

# The layer of the project file that `include` names from `file`, or "" when it names none.
function(project_layer file include out)
  get_filename_component(dir "${file}" DIRECTORY)
  set(found "")
  if(EXISTS "${dir}/${include}" AND NOT IS_DIRECTORY "${dir}/${include}")
    file(REAL_PATH "${dir}/${include}" found)
  else()
    foreach(layer IN LISTS layers)
      if(EXISTS "${root}/${layer}/${include}" AND NOT IS_DIRECTORY "${root}/${layer}/${include}")
        file(REAL_PATH "${root}/${layer}/${include}" found)
        break()
      endif()
    endforeach()
  endif()
  set(${out} "" PARENT_SCOPE)
  foreach(layer IN LISTS layers)
    string(FIND "${found}" "${root}/${layer}/" at)
    if(at EQUAL 0)
      set(${out} "${layer}" PARENT_SCOPE)
      set(found_path "${found}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

# The Qt folder (QtWidgets or QtGui) that holds the header `include` names, or "".
function(widget_module include out)
  set(${out} "" PARENT_SCOPE)
  foreach(dir IN LISTS qt_dirs)
    get_filename_component(module "${dir}" NAME)
    string(REGEX REPLACE "^${module}/" "" rest "${include}")
    if(EXISTS "${dir}/${rest}" AND NOT IS_DIRECTORY "${dir}/${rest}")
      set(${out} "${module}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

set(checked 0)
set(wrong 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files "${root}/${layer}/*.h" "${root}/${layer}/*.hpp" "${root}/${layer}/*.cpp"
       "${root}/${layer}/*.cc")
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(RELATIVE_PATH name "${root}" "${file}")
    file(READ "${file}" text)
    # One list item a line: the characters that would join or split items go first.
    string(REPLACE "\\" "/" text "${text}")
    string(REPLACE ";" "," text "${text}")
    string(REPLACE "[" "(" text "${text}")
    string(REPLACE "]" ")" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(number 0)
    foreach(line IN LISTS lines)
      math(EXPR number "${number} + 1")
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
        continue()
      endif()
      set(include "${CMAKE_MATCH_2}")
      if(CMAKE_MATCH_1 STREQUAL "<")
        set(shown "<${include}>")
      else()
        set(shown "\"${include}\"")
      endif()
      project_layer("${file}" "${include}" target)
      if(target)
        if(NOT target IN_LIST allowed_${layer})
          file(RELATIVE_PATH target_name "${root}" "${found_path}")
          string(REPLACE ";" ", " may "${allowed_${layer}}")
          message("${name}:${number}: #include ${shown} reaches ${target_name}; ${layer} may include ${may} only")
          math(EXPR wrong "${wrong} + 1")
        endif()
      elseif(layer IN_LIST core)
        widget_module("${include}" module)
        if(module)
          message("${name}:${number}: #include ${shown} is a header of ${module}; "
                  "src/core includes no Qt Widgets or Qt GUI header")
          math(EXPR wrong "${wrong} + 1")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no source files found under ${root}")
endif()
if(wrong GREATER 0)
  message(FATAL_ERROR "${wrong} include(s) cross a layer the wrong way")
endif()
message("${checked} files, every include within its layer")
