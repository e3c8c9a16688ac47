# Lays out what a release ships, in one folder that runs as it is, and writes
# the installer's lists of that folder's files.
#
#   cmake -DPRODUCT_DIR=<product> -DOUT_DIR=<folder> -DNSH_DIR=<folder>
#         "-DBINARIES=<exe|dll|...>" [-DEXTRA_FILES=<file|...>] [-DSTRIP=<strip>]
#         -P Payload.cmake
#
# OUT_DIR is made anew: the product folder (without the skins' sources), the
# binaries (stripped when STRIP is given) and any EXTRA_FILES; of files whose
# names differ only in case, one stays. NSH_DIR gets:
#   files.nsh     the install section's SetOutPath/File lines, one per file
#   unfiles.nsh   the uninstaller's Delete lines for exactly those files and
#                 RMDir lines for their folders, deepest first (RMDir without
#                 /r: a folder that still holds something not ours stays)
#   product.nsh   what the installer must know of the product: the main
#                 window's title, the single-instance mutex, the data folder
#
# A product whose data folder lies beside the program (MacPath=1 in cfg.ini)
# is refused: upgrades and uninstalls replace the program folder, and the
# user's profiles and macros must never live there.
cmake_minimum_required(VERSION 3.25)

foreach(var PRODUCT_DIR OUT_DIR NSH_DIR BINARIES)
  if(NOT ${var})
    message(FATAL_ERROR "Payload: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" BINARIES "${BINARIES}")
string(REPLACE "|" ";" EXTRA_FILES "${EXTRA_FILES}")

file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
file(COPY ${PRODUCT_DIR}/ DESTINATION ${OUT_DIR} REGEX "/skins/src$" EXCLUDE)
foreach(binary ${BINARIES} ${EXTRA_FILES})
  file(COPY ${binary} DESTINATION ${OUT_DIR})
endforeach()
if(STRIP)
  foreach(binary ${BINARIES})
    get_filename_component(name ${binary} NAME)
    execute_process(COMMAND ${STRIP} --strip-unneeded ${OUT_DIR}/${name} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "Payload: ${STRIP} failed on ${name}")
    endif()
  endforeach()
endif()

# Windows folds case in file names: names that differ only in case are one
# file there, and an archive holding both asks the user which to keep. One
# copy stays when they are equal; a product that needs both cannot work.
file(GLOB_RECURSE shipped LIST_DIRECTORIES false RELATIVE ${OUT_DIR} ${OUT_DIR}/*)
list(SORT shipped)
set(seen "")
foreach(file ${shipped})
  string(TOLOWER "${file}" key)
  list(FIND seen "${key}" at)
  if(at EQUAL -1)
    list(APPEND seen "${key}")
    list(APPEND kept "${file}")
    continue()
  endif()
  foreach(other ${kept})
    string(TOLOWER "${other}" other_key)
    if(other_key STREQUAL key)
      file(SHA256 ${OUT_DIR}/${other} a)
      file(SHA256 ${OUT_DIR}/${file} b)
      if(NOT a STREQUAL b)
        message(FATAL_ERROR "Payload: ${other} and ${file} differ but are one file on Windows")
      endif()
      file(REMOVE ${OUT_DIR}/${file})
    endif()
  endforeach()
endforeach()

# ---- What the product says about itself ----------------------------------

# The value of `key` in section [OPT] of cfg.ini the way the program reads it:
# section and key names without case, the first occurrence counts, ';' starts
# a comment line.
function(opt_value file key out)
  file(STRINGS ${file} lines)
  set(in_opt FALSE)
  string(TOLOWER "${key}" key)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^\\[(.*)\\]$")
      string(TOLOWER "${CMAKE_MATCH_1}" section)
      string(STRIP "${section}" section)
      set(in_opt FALSE)
      if(section STREQUAL "opt")
        set(in_opt TRUE)
      endif()
    elseif(in_opt AND line MATCHES "^([^;=][^=]*)=(.*)$")
      string(STRIP "${CMAKE_MATCH_1}" name)
      string(TOLOWER "${name}" name)
      if(name STREQUAL key)
        string(STRIP "${CMAKE_MATCH_2}" value)
        set(${out} "${value}" PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

# The text of element <key> in text.xml, with the five predefined entities.
function(text_value file key out)
  file(READ ${file} xml)
  set(value "")
  if(xml MATCHES "<${key}>([^<]*)</${key}>")
    set(value "${CMAKE_MATCH_1}")
  endif()
  string(REPLACE "&lt;" "<" value "${value}")
  string(REPLACE "&gt;" ">" value "${value}")
  string(REPLACE "&quot;" "\"" value "${value}")
  string(REPLACE "&apos;" "'" value "${value}")
  string(REPLACE "&amp;" "&" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# A text as the inside of a quoted NSIS string.
function(nsis_quote text out)
  string(REPLACE "$" "$$" text "${text}")
  string(REPLACE "\"" "$\\\"" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(cfg ${OUT_DIR}/cfg.ini)
set(texts ${OUT_DIR}/text.xml)
opt_value(${cfg} MacPath mac_path)
if(mac_path STREQUAL "1")
  message(FATAL_ERROR "Payload: ${PRODUCT_DIR}/cfg.ini sets MacPath=1, which keeps the user's "
                      "profiles and macros in the program folder; a release needs MacPath=0")
endif()
opt_value(${cfg} appdir data_dir)
# The main window's title: Title, else tc_title cut to 39 characters.
opt_value(${cfg} Title title)
if(title STREQUAL "")
  text_value(${texts} tc_title title)
  string(SUBSTRING "${title}" 0 39 title)
endif()
if(title STREQUAL "")
  message(FATAL_ERROR "Payload: the product names no title (Title in cfg.ini, tc_title in text.xml)")
endif()
text_value(${texts} tc_mutex mutex)
if(mutex STREQUAL "")
  set(mutex MUTEX_MIRVA_WIRELESS)
endif()

nsis_quote("${title}" title)
nsis_quote("${mutex}" mutex)
nsis_quote("${data_dir}" data_dir)
file(WRITE ${NSH_DIR}/product.nsh
  "; Made by Payload.cmake from the product's cfg.ini and text.xml.\n"
  "!define PRODUCT_WINDOW_TITLE \"${title}\"\n"
  "!define PRODUCT_MUTEX \"${mutex}\"\n"
  "!define PRODUCT_DATA_DIR \"${data_dir}\"\n")

# ---- The file lists ----------------------------------------------------------

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${OUT_DIR} ${OUT_DIR}/*)
list(SORT files)
set(install "; Made by Payload.cmake: every file of the release folder.\n")
set(uninstall "; Made by Payload.cmake: the files the installer put in place.\n")
set(folders "")
set(last_folder "-")
foreach(file ${files})
  get_filename_component(folder "${file}" DIRECTORY)
  string(REPLACE "/" "\\" win_folder "${folder}")
  string(REPLACE "/" "\\" win_file "${file}")
  if(NOT folder STREQUAL last_folder)
    if(folder STREQUAL "")
      string(APPEND install "SetOutPath \"$INSTDIR\"\n")
    else()
      string(APPEND install "SetOutPath \"$INSTDIR\\${win_folder}\"\n")
      # The folder and those above it, which may hold no file of their own.
      while(NOT win_folder STREQUAL "")
        list(APPEND folders "${win_folder}")
        if(win_folder MATCHES "^(.*)\\\\[^\\\\]*$")
          set(win_folder "${CMAKE_MATCH_1}")
        else()
          set(win_folder "")
        endif()
      endwhile()
    endif()
    set(last_folder "${folder}")
  endif()
  string(APPEND install "File \"${OUT_DIR}/${file}\"\n")
  string(APPEND uninstall "Delete \"$INSTDIR\\${win_file}\"\n")
endforeach()
# Deepest folders first, so each is empty when its turn comes.
list(REMOVE_DUPLICATES folders)
list(SORT folders)
list(REVERSE folders)
foreach(folder ${folders})
  string(APPEND uninstall "RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
string(APPEND install "SetOutPath \"$INSTDIR\"\n")
file(WRITE ${NSH_DIR}/files.nsh "${install}")
file(WRITE ${NSH_DIR}/unfiles.nsh "${uninstall}")
