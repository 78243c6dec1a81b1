# Installs the build into a fresh prefix and checks the desktop integration:
# the MIME package, the desktop entry (when the desktop program is built) and
# the thumbnailer, whose command line must make a PNG of the size asked for.
#   cmake -DBUILD=<build folder> -DPREFIX=<scratch prefix> -DDESKTOP=ON|OFF -P install_check.cmake

function(fail message)
  file(REMOVE_RECURSE "${PREFIX}")
  message(FATAL_ERROR "${message}")
endfunction()

function(expect_in file text)
  if(NOT EXISTS "${file}")
    fail("not installed: ${file}")
  endif()
  file(READ "${file}" content)
  string(FIND "${content}" "${text}" at)
  if(at EQUAL -1)
    fail("${file} lacks: ${text}")
  endif()
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  fail("cmake --install failed: ${errors}")
endif()

set(share "${PREFIX}/share")
expect_in("${share}/mime/packages/kresbon.xml" "type=\"application/x-kresbon-script\"")
expect_in("${share}/mime/packages/kresbon.xml" "<glob pattern=\"*.krs\"/>")
if(DESKTOP)
  expect_in("${share}/applications/kresbon.desktop" "MimeType=application/x-kresbon-script;")
  expect_in("${share}/applications/kresbon.desktop" "Exec=kresbon %f")
endif()
set(thumbnailer "${share}/thumbnailers/kresbon.thumbnailer")
expect_in("${thumbnailer}" "MimeType=application/x-kresbon-script;")

# Run the Exec line as a file manager would: %s size, %i input, %o output.
file(STRINGS "${thumbnailer}" exec REGEX "^Exec=")
string(REGEX REPLACE "^Exec=" "" exec "${exec}")
file(WRITE "${PREFIX}/wide drawing.krs" "MaximumX = 299\nMaximumY = 99\nLine 0, 0, 299, 99\n")
string(REPLACE "%s" "96" exec "${exec}")
string(REPLACE "%i" "'${PREFIX}/wide drawing.krs'" exec "${exec}")
string(REPLACE "%o" "'${PREFIX}/thumbnail.png'" exec "${exec}")
separate_arguments(command UNIX_COMMAND "${exec}")
execute_process(COMMAND ${command} RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  fail("the thumbnailer failed (${exec}): ${errors}")
endif()
if(NOT EXISTS "${PREFIX}/thumbnail.png")
  fail("the thumbnailer wrote no thumbnail")
endif()
file(READ "${PREFIX}/thumbnail.png" signature LIMIT 8 HEX)
file(READ "${PREFIX}/thumbnail.png" size OFFSET 16 LIMIT 8 HEX)
# A 299 x 99 drawing fits 96 pixels as 96 x 32.
if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT size STREQUAL "0000006000000020")
  fail("the thumbnail is not a 96 x 32 PNG: signature ${signature}, size ${size}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
