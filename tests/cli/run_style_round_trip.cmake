# A style exported with `kalo style export` and imported back with `kalo style import` at the measures
# where each part played plays event for event like the original over a chart that uses every part.
# KALO, STYLE, CHART, OUT (a file stem) and INI (a settings file that does not exist: the defaults) are
# given; METRUM when the MIDI file does not say the metre.
execute_process(COMMAND ${KALO} style export ${STYLE} -o ${OUT}.mid --ini ${INI}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "style export: exit code ${rc}\n${err}")
endif()
# "wrote OUT.mid: Intro=1-2, Basic=3-4, ..."
string(REGEX REPLACE "^wrote [^:]*: " "" ranges "${out}")
string(REPLACE ", " ";" ranges "${ranges}")
set(parts "")
foreach(range IN LISTS ranges)
  list(APPEND parts --part "${range}")
endforeach()
if(DEFINED METRUM)
  list(APPEND parts --metrum ${METRUM})
endif()
execute_process(COMMAND ${KALO} style import ${OUT}.mid -o ${OUT}.vxs ${parts} --ini ${INI}
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "style import ${parts}: exit code ${rc}\n${err}")
endif()
foreach(style IN ITEMS ${STYLE} ${OUT}.vxs)
  get_filename_component(name ${style} NAME_WE)
  execute_process(COMMAND ${KALO} render --style ${style} --chart ${CHART} --intro --ending --ini ${INI}
                          --events ${OUT}.${name}.events RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "render of ${style}: exit code ${rc}\n${err}")
  endif()
endforeach()
get_filename_component(original ${STYLE} NAME_WE)
get_filename_component(imported ${OUT}.vxs NAME_WE)
file(READ ${OUT}.${original}.events before)
file(READ ${OUT}.${imported}.events after)
string(LENGTH "${before}" length)
if(length LESS 1000)
  message(FATAL_ERROR "the chart rendered almost nothing:\n${before}")
endif()
if(NOT before STREQUAL after)
  message(FATAL_ERROR "the imported style plays differently: compare ${OUT}.${original}.events and "
                      "${OUT}.${imported}.events (parts ${parts})")
endif()
