# Installs the build into a scratch root (DESTDIR) and checks the program
# folder and, when the window program is built, the menu entry.
#   cmake -DBUILD_DIR=… -DWORK_DIR=… -DWINDOW=ON|OFF -DMENU_DIR=… -P check_install.cmake
set(folder "/opt/Quennit Test")
set(root "${WORK_DIR}/root")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# The install rewrites the build's manifest; keep the developer's own.
set(manifest "${BUILD_DIR}/install_manifest.txt")
if(EXISTS "${manifest}")
  file(COPY_FILE "${manifest}" "${WORK_DIR}/saved_manifest.txt")
endif()

function(install_to prefix result)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${root}"
            ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  set(${result} "${rc}" PARENT_SCOPE)
  set(install_error "${err}" PARENT_SCOPE)
endfunction()

install_to("${folder}" rc)
if(WINDOW)
  # A folder that a menu entry can't name is refused before anything is copied.
  install_to("/opt/a\$b" refused)
endif()

if(EXISTS "${WORK_DIR}/saved_manifest.txt")
  file(COPY_FILE "${WORK_DIR}/saved_manifest.txt" "${manifest}")
else()
  file(REMOVE "${manifest}")
endif()

if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${install_error}")
endif()

set(expected quennit-cli SearchSite.ini Help/Quennit.html)
if(WINDOW)
  list(APPEND expected quennit)
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS "${root}${folder}/${f}")
    message(FATAL_ERROR "missing in the program folder: ${f}")
  endif()
endforeach()

set(entry "${root}${MENU_DIR}/applications/quennit.desktop")
if(NOT WINDOW)
  if(EXISTS "${entry}")
    message(FATAL_ERROR "menu entry installed without the window program")
  endif()
  return()
endif()

if(refused EQUAL 0)
  message(FATAL_ERROR "a folder with \$ in its name was accepted")
endif()
if(EXISTS "${root}/opt/a\$b")
  message(FATAL_ERROR "the refused install still copied files")
endif()

file(READ "${entry}" desktop)
foreach(line "Exec=\"${folder}/quennit\"" "Path=${folder}" "Icon=quennit" "Type=Application")
  string(FIND "${desktop}" "\n${line}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "menu entry lacks the line ${line}:\n${desktop}")
  endif()
endforeach()
# desktop-file-validate prints nothing for a clean entry (warnings included).
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${entry}" OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
  if(NOT complaints STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate:\n${complaints}")
  endif()
endif()
foreach(size 16 48 256)
  if(NOT EXISTS "${root}${MENU_DIR}/icons/hicolor/${size}x${size}/apps/quennit.png")
    message(FATAL_ERROR "icon ${size}x${size} missing")
  endif()
endforeach()
