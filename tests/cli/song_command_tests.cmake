# `kalo song info` run as a program: a file that cannot be read exits with code 1 and says so.

add_test(NAME cli.song.an_unreadable_file_is_reported
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=song|info|/nonexistent/kalo-song.vxa"
                 -DEXPECT_RC=1 "-DEXPECT_OUT=" "-DEXPECT_ERR=cannot read /nonexistent/kalo-song.vxa"
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
add_test(NAME cli.song.info_lists_the_beats_of_a_song
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo>
                 "-DARGS=song|info|${PROJECT_SOURCE_DIR}/fuzz/corpus/arrangement_file_fuzzer/oldest-layout.vxa|--ini|/nonexistent/kalo.ini"
                 -DEXPECT_RC=0
                 "-DEXPECT_OUT=layout: oldest (chords only)|start measure: 0|tempo: 96|measure length: 16 (4/4)|melody program: 74|length: 40 bytes|measures: 2|title: |subtitle: |author: |copyright: Copyright © ...|comments:|style: none|melody events: 0|1:1 @4 C maj|1:2 @8 Loop 3x|1:3 @12 G maj|2:1 @20 A min, Fill In|2:2 @24 6 Down|2:4 @32 LoopEnd|3:1 @36 STOP|"
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
set_tests_properties(cli.song.an_unreadable_file_is_reported cli.song.info_lists_the_beats_of_a_song
                     PROPERTIES LABELS cli TIMEOUT 30)
