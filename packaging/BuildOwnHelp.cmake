# Builds the program's own help from the sample project with the program itself:
#   cmake -DTAVREL=<program> -DDATA=<data folder> -DSAMPLE=<sample folder> -DWORK=<folder> -P BuildOwnHelp.cmake
# WORK is a folder of the build tree that this script owns. The result is WORK/zirodev.chm and
# the WebHelp folder WORK/zirodev/. The PDF is not built: the help ships as .chm and WebHelp.
foreach(v TAVREL DATA SAMPLE WORK PYTHON)
  if(NOT DEFINED ${v} OR "${${v}}" STREQUAL "")
    message(FATAL_ERROR "BuildOwnHelp.cmake needs -D${v}=...")
  endif()
endforeach()

# The work folder lives in the build tree; it is emptied only when it carries our marker.
set(marker "${WORK}/.tavrel-own-help")
if(EXISTS "${WORK}" AND NOT EXISTS "${marker}")
  file(GLOB left "${WORK}/*")
  if(left)
    message(FATAL_ERROR "${WORK} exists and was not made by this script")
  endif()
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/project" "${WORK}/home/Documents" "${WORK}/home/config" "${WORK}/home/share")
file(WRITE "${marker}" "Made by BuildOwnHelp.cmake; emptied by each build of the program's own help.\n")
file(COPY "${SAMPLE}/sample.tvp" "${SAMPLE}/sample.docx" DESTINATION "${WORK}/project")

# The project file is UTF-16 with CRLF line ends; switch the PDF off and name the help.
execute_process(COMMAND "${PYTHON}" -c [=[
import sys
p = sys.argv[1]
t = open(p, encoding='utf-16', newline='').read()
for old, new in (('\nPDFOutput=1', '\nPDFOutput=0'),
                 ('\nTitle=Tavrel for Word Sample', '\nTitle=Tavrel for Word Help')):
    if old not in t:
        sys.exit('the sample project has no line ' + old.strip())
    t = t.replace(old, new)
open(p, 'w', encoding='utf-16', newline='').write(t)
]=] "${WORK}/project/sample.tvp" RESULT_VARIABLE r)
if(r)
  message(FATAL_ERROR "could not prepare the help project: ${r}")
endif()

# A private home: the build's record of its outputs and its settings stay in the work folder.
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env
    "HOME=${WORK}/home" "XDG_CONFIG_HOME=${WORK}/home/config" "XDG_DATA_HOME=${WORK}/home/share"
    "XDG_DOCUMENTS_DIR=${WORK}/home/Documents" "TAVREL_DATA=${DATA}" --unset=XDG_RUNTIME_DIR
    "${TAVREL}" --build "${WORK}/project/sample.tvp"
  RESULT_VARIABLE r OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(r)
  message(FATAL_ERROR "building the program's own help failed (${r}):\n${out}")
endif()

set(chm "${WORK}/project/HTML help/help.chm")
if(NOT EXISTS "${chm}")
  message(FATAL_ERROR "the help build wrote no ${chm}:\n${out}")
endif()
file(GLOB start "${WORK}/project/WebHelp/index.htm*")
if(NOT start)
  message(FATAL_ERROR "the help build wrote no WebHelp start page:\n${out}")
endif()
file(COPY_FILE "${chm}" "${WORK}/zirodev.chm")
file(COPY "${WORK}/project/WebHelp/" DESTINATION "${WORK}/zirodev")
