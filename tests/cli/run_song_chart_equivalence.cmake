# A chart rendered with `kalo render --chart` and the arrangement `kalo song from-chart` makes of it,
# rendered with `kalo render SONG.vxa`, give the same event list. STYLE, CHART, OUT (a file stem) and
# KALO are given; the settings are the defaults (INI names a file that does not exist).
execute_process(COMMAND ${KALO} song from-chart ${CHART} -o ${OUT}.vxa --style ${STYLE} --ini ${INI}
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "song from-chart: exit code ${rc}\n${err}")
endif()
execute_process(COMMAND ${KALO} render ${OUT}.vxa --ini ${INI} --events ${OUT}.song.events
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "render of the song: exit code ${rc}\n${err}")
endif()
execute_process(COMMAND ${KALO} render --style ${STYLE} --chart ${CHART} --intro --ini ${INI}
                        --events ${OUT}.chart.events RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "render of the chart: exit code ${rc}\n${err}")
endif()
file(READ ${OUT}.song.events song)
file(READ ${OUT}.chart.events chart)
string(LENGTH "${chart}" length)
if(length LESS 100)
  message(FATAL_ERROR "the chart rendered almost nothing:\n${chart}")
endif()
if(NOT song STREQUAL chart)
  message(FATAL_ERROR "the song and the chart rendered differently: compare ${OUT}.song.events and ${OUT}.chart.events")
endif()
