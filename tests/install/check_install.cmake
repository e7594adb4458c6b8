# Installs the build into a staging folder and checks the layout: every file in
# its place, the icons at the sizes their folders name, the desktop entry
# pointing at what was installed, the validators content, and the installed
# command line running from another folder.
# -D: BUILD_DIR STAGING APP_ID HELP_FROM_BINDIR DESKTOP_FILE_VALIDATE APPSTREAMCLI GROFF
cmake_minimum_required(VERSION 3.25)

# The usual hicolor sizes, up to the large icon of software centres.
set(ICON_SIZES 16 22 24 32 48 64 128 256)

function(fail message)
  message(FATAL_ERROR "${message}")
endfunction()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    fail("${ARGN} failed (${status}):\n${out}${err}")
  endif()
  set(run_output "${out}${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${STAGING})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGING})

set(expected
  bin/tessalin
  bin/tessalin-cli
  share/applications/${APP_ID}.desktop
  share/metainfo/${APP_ID}.metainfo.xml
  share/man/man1/tessalin.1
  bin/${HELP_FROM_BINDIR}/Tessalin_v10b_Help/index.html)
foreach(size ${ICON_SIZES})
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()
foreach(file ${expected})
  if(NOT EXISTS ${STAGING}/${file})
    fail("not installed: ${file}")
  endif()
endforeach()

# A PNG's width and height are the two big-endian words after its 16-byte start.
foreach(size ${ICON_SIZES})
  file(READ ${STAGING}/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png header OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING ${header} 0 8 width_hex)
  string(SUBSTRING ${header} 8 8 height_hex)
  math(EXPR width "0x${width_hex}")
  math(EXPR height "0x${height_hex}")
  if(NOT width EQUAL size OR NOT height EQUAL size)
    fail("the ${size}x${size} icon is ${width}x${height}")
  endif()
endforeach()

set(entry ${STAGING}/share/applications/${APP_ID}.desktop)
file(STRINGS ${entry} exec REGEX "^Exec=")
file(STRINGS ${entry} icon REGEX "^Icon=")
file(READ ${entry} entry_text)
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec "${exec}")
if(NOT EXISTS ${STAGING}/bin/${exec})
  fail("the desktop entry runs ${exec}, which is not installed")
endif()
if(NOT icon STREQUAL "Icon=${APP_ID}")
  fail("the desktop entry's icon is ${icon}, the installed icons are named ${APP_ID}")
endif()
if(NOT entry_text MATCHES "\nMimeType=[^\n]*image/vnd\\.wap\\.wbmp;")
  fail("the desktop entry does not offer WBMP")
endif()

run(${DESKTOP_FILE_VALIDATE} ${entry})
if(run_output)
  fail("desktop-file-validate:\n${run_output}")
endif()
run(${APPSTREAMCLI} validate --no-net ${STAGING}/share/metainfo/${APP_ID}.metainfo.xml)
file(GLOB pages ${STAGING}/share/man/man1/*.1)
foreach(page ${pages})
  run(${GROFF} -man -ww -z ${page})
  if(run_output)
    fail("${page}:\n${run_output}")
  endif()
endforeach()

run(${STAGING}/bin/tessalin-cli --version WORKING_DIRECTORY ${STAGING}/share)
