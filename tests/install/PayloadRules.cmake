# The release folder's rules (packaging/Payload.cmake) on small products made
# here: what the setup learns of the product, the product whose data folder
# would lie in the program folder, and file names Windows takes for one.
#   cmake -DPAYLOAD_SCRIPT=<Payload.cmake> -DWORK_DIR=<scratch folder> -P PayloadRules.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK_DIR})
file(WRITE ${WORK_DIR}/Tarvel.exe "program")
set(failures "")

# A product: cfg.ini's [OPT] lines (joined with '|'), text.xml's elements,
# and skin files given as name=content.
function(make_product name opt texts skins)
  set(dir ${WORK_DIR}/${name}/product)
  string(REPLACE "|" "\n" opt "${opt}")
  file(WRITE ${dir}/cfg.ini "; a product\n[OPT]\n${opt}\n[SENSOR_0]\nMacPath=1\n")
  file(WRITE ${dir}/text.xml "<root><config>${texts}</config></root>\n")
  file(WRITE ${dir}/skins/src/gen.py "source of the skins")
  foreach(skin ${skins})
    string(REGEX REPLACE "=.*" "" file "${skin}")
    string(REGEX REPLACE "^[^=]*=" "" content "${skin}")
    file(WRITE ${dir}/skins/${file} "${content}")
  endforeach()
endfunction()

# Lays out product `name`; `expect` is "ok" or a regular expression of the
# refusal. `wants` are regular expressions the lists must match.
function(check name expect wants)
  set(out ${WORK_DIR}/${name})
  execute_process(COMMAND ${CMAKE_COMMAND} -DPRODUCT_DIR=${out}/product -DOUT_DIR=${out}/release
                          -DNSH_DIR=${out} -DBINARIES=${WORK_DIR}/Tarvel.exe -P ${PAYLOAD_SCRIPT}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " err "${err}") # CMake wraps its messages
  if(expect STREQUAL "ok")
    if(NOT rc EQUAL 0)
      list(APPEND failures "${name}: refused: ${err}")
    else()
      file(READ ${out}/product.nsh product)
      file(READ ${out}/files.nsh files)
      file(READ ${out}/unfiles.nsh unfiles)
      foreach(want ${wants})
        if(NOT "${product}${files}${unfiles}" MATCHES "${want}")
          list(APPEND failures "${name}: no match for ${want}")
        endif()
      endforeach()
      if(EXISTS ${out}/release/skins/src)
        list(APPEND failures "${name}: the skins' sources are shipped")
      endif()
    endif()
  elseif(rc EQUAL 0 OR NOT err MATCHES "${expect}")
    list(APPEND failures "${name}: not refused with '${expect}' (${rc}): ${err}")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

make_product(plain "appdir=Tarvel|MacPath=0" "<tc_title>Tarvel</tc_title><tc_mutex>M1</tc_mutex>"
             "a.png=a;Check_dn.png=c;check_dn.png=c")
check(plain ok [[PRODUCT_WINDOW_TITLE "Tarvel"
!define PRODUCT_MUTEX "M1"
!define PRODUCT_DATA_DIR "Tarvel"]]
      [[File "[^"]*/skins/Check_dn.png"]] [[Delete "\$INSTDIR\\skins\\a.png"]]
      [[RMDir "\$INSTDIR\\skins"]])
file(GLOB kept RELATIVE ${WORK_DIR}/plain/release/skins ${WORK_DIR}/plain/release/skins/*)
if(NOT kept STREQUAL "Check_dn.png;a.png")
  list(APPEND failures "plain: names differing in case not kept once: ${kept}")
endif()

# The title: Title first, else tc_title; quoted for the setup script. The
# mutex without tc_mutex is the program's default.
make_product(title "Title=Pro $5 \"X\"" "<tc_title>unused</tc_title>" "")
check(title ok [[PRODUCT_WINDOW_TITLE "Pro \$\$5 \$\\"X\$\\""]] [[PRODUCT_MUTEX "MUTEX_MIRVA_WIRELESS"]])
make_product(text-title "Title=" "<tc_title>R&amp;D Mouse</tc_title>" "")
check(text-title ok [[PRODUCT_WINDOW_TITLE "R&D Mouse"]])

# The data folder beside the program: upgrades and uninstalls would take it.
make_product(beside "MacPath=1" "<tc_title>T</tc_title>" "")
check(beside "MacPath=1" "")
# Keys without case; the first occurrence counts; comments do not.
make_product(first-counts ";MacPath=0|  macpath = 1 |MacPath=0" "<tc_title>T</tc_title>" "")
check(first-counts "MacPath=1" "")
make_product(sensor-only "MacPath=0" "<tc_title>T</tc_title>" "")
check(sensor-only ok "")

make_product(no-title "" "" "")
check(no-title "names no title" "")
make_product(case-clash "" "<tc_title>T</tc_title>" "Check_dn.png=one;check_dn.png=two")
check(case-clash "differ but are one file on Windows" "")

if(failures)
  string(REPLACE ";" "\n  " report "${failures}")
  message(FATAL_ERROR "Payload rules:\n  ${report}")
endif()
message(STATUS "Payload rules hold")
