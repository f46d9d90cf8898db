# kalo song chart prints a song; kalo song from-chart reads it back from standard input; the song made
# prints the same chart again. SONG, OUT (a file stem), INI and KALO are given.
execute_process(COMMAND ${KALO} song chart ${SONG} --ini ${INI} RESULT_VARIABLE rc OUTPUT_VARIABLE first
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR first STREQUAL "")
  message(FATAL_ERROR "song chart: exit code ${rc}\n${err}")
endif()
file(WRITE ${OUT}.chart "${first}")
execute_process(COMMAND ${KALO} song from-chart - -o ${OUT}.vxa --ini ${INI} INPUT_FILE ${OUT}.chart
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "song from-chart -: exit code ${rc}\n${err}")
endif()
execute_process(COMMAND ${KALO} song chart ${OUT}.vxa --ini ${INI} RESULT_VARIABLE rc OUTPUT_VARIABLE second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "the song read back prints another chart:\n${first}\n---\n${second}")
endif()
