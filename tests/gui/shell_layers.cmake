cmake_minimum_required(VERSION 3.20)

# The folders of the desktop program use one another only one way: each
# folder's includes of another folder must be among the uses listed here,
# and the list itself has no circle (every folder uses only folders listed
# before it). Run with -DSHELL=<src/shell>.

set(order texts settings dialogs editor view document run step print help app)
set(uses_texts "")
set(uses_settings texts)
set(uses_dialogs texts)
set(uses_editor texts)
set(uses_view "")
set(uses_document settings texts editor dialogs)
set(uses_run texts)
set(uses_step texts settings editor view run)
set(uses_print run dialogs settings texts)
set(uses_help editor texts)
set(uses_app texts settings dialogs editor view document run step print help)

set(seen "")
foreach(folder ${order})
  foreach(used ${uses_${folder}})
    if(NOT used IN_LIST seen)
      message(SEND_ERROR "${folder} uses ${used}, which comes after it: a circle is possible")
    endif()
  endforeach()
  list(APPEND seen ${folder})
  file(GLOB files ${SHELL}/${folder}/*.h ${SHELL}/${folder}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^#include \"shell/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"shell/([a-z_]+)/.*" "\\1" used "${line}")
      if(NOT used STREQUAL folder AND NOT used IN_LIST uses_${folder})
        message(SEND_ERROR "${file} includes ${used}/, which ${folder}/ may not use")
      endif()
    endforeach()
  endforeach()
endforeach()
