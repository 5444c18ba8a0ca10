# Run by the target <target>_update_translations that vellix_add_translations makes, as
#   cmake -DVELLIX=... -DTEMPLATE=... -DPO_DIR=... -DLANGUAGES=de|pl -DSOURCES=a.c|b.c -DKEYWORDS=TR:1,2 -P <this file>
# (lists joined with '|'). Extracts the template from the sources, then merges it into each
# language's PO file, starting the files that do not exist yet with `vellix init`.
foreach(list LANGUAGES SOURCES KEYWORDS)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()
set(keyword_options "")
foreach(keyword IN LISTS KEYWORDS)
  list(APPEND keyword_options "--keyword=${keyword}")
endforeach()
execute_process(COMMAND "${VELLIX}" extract ${keyword_options} --add-comments=TRANSLATORS: -o "${TEMPLATE}" ${SOURCES}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "vellix extract failed (${status})")
endif()
foreach(language IN LISTS LANGUAGES)
  set(translation "${PO_DIR}/${language}.po")
  if(EXISTS "${translation}")
    execute_process(COMMAND "${VELLIX}" merge -U "${translation}" "${TEMPLATE}" RESULT_VARIABLE status)
  else()
    execute_process(COMMAND "${VELLIX}" init "--locale=${language}" -o "${translation}" "${TEMPLATE}" RESULT_VARIABLE status)
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "updating ${translation} failed (${status})")
  endif()
endforeach()
