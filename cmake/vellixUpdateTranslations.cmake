# Run by the target <target>_update_translations that vellix_add_translations makes (and by the build,
# for a language whose PO file does not exist yet), as
#   cmake -DVELLIX=... -DTEMPLATE=... -DPO_DIR=... -DLANGUAGES=de|pl -DSOURCES=a.c|b.c -DKEYWORDS=TR:1,2 -P <this file>
# (lists joined with '|'; VELLIX is the command that runs vellix, an emulator first when there is
# one). Extracts the template from the sources, then merges it into each language's PO file,
# starting the files that do not exist yet with `vellix init`. vellix says what went wrong, naming
# the file and the reason; this script adds which step it was.
foreach(list VELLIX LANGUAGES SOURCES KEYWORDS)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()
set(keyword_options "")
foreach(keyword IN LISTS KEYWORDS)
  list(APPEND keyword_options "--keyword=${keyword}")
endforeach()
file(MAKE_DIRECTORY "${PO_DIR}")
execute_process(COMMAND ${VELLIX} extract ${keyword_options} --add-comments=TRANSLATORS: -o "${TEMPLATE}" ${SOURCES}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "extracting the template ${TEMPLATE} failed (vellix extract: ${status}); see its message above")
endif()
foreach(language IN LISTS LANGUAGES)
  set(translation "${PO_DIR}/${language}.po")
  if(EXISTS "${translation}")
    set(step merge)
    execute_process(COMMAND ${VELLIX} merge -U "${translation}" "${TEMPLATE}" RESULT_VARIABLE status)
  else()
    set(step init)
    execute_process(COMMAND ${VELLIX} init "--locale=${language}" -o "${translation}" "${TEMPLATE}" RESULT_VARIABLE status)
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "updating ${translation} failed (vellix ${step}: ${status}); see its message above")
  endif()
endforeach()
