# `kalo song` run as a program: a file that cannot be read exits with code 1 and says so.

add_test(NAME cli.song.an_unreadable_file_is_reported
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=song|info|/nonexistent/kalo-song.vxa"
                 -DEXPECT_RC=1 "-DEXPECT_OUT=" "-DEXPECT_ERR=cannot read \"/nonexistent/kalo-song.vxa\": No such file or directory"
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
set_tests_properties(cli.song.an_unreadable_file_is_reported PROPERTIES LABELS cli TIMEOUT 30)

# `kalo song from-chart` makes an arrangement that renders exactly as the chart does.
add_test(NAME cli.song.an_arrangement_from_a_chart_renders_as_the_chart
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo>
                 -DSTYLE=$<TARGET_FILE_DIR:kalo>/STYLES/rock1.vxs
                 "-DCHART=C Am | F [Fill] G7 | [ToExtended] Dm7 G7 | % | [ToBasic] C"
                 -DOUT=${CMAKE_CURRENT_BINARY_DIR}/chart_song -DINI=${CMAKE_CURRENT_BINARY_DIR}/no-such.ini
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_song_chart_equivalence.cmake)
set_tests_properties(cli.song.an_arrangement_from_a_chart_renders_as_the_chart PROPERTIES LABELS cli TIMEOUT 60)

# kalo_song_command_test(name args expectRc expectErr): `kalo song` refusing or reporting what it
# cannot store, printing nothing on standard output.
function(kalo_song_command_test name args expectRc expectErr)
  add_test(NAME cli.song.${name}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=${args}" -DEXPECT_RC=${expectRc}
                   "-DEXPECT_OUT=" "-DEXPECT_ERR=${expectErr}" -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
  set_tests_properties(cli.song.${name} PROPERTIES LABELS cli TIMEOUT 30)
endfunction()

set(song_out ${CMAKE_CURRENT_BINARY_DIR}/song_test)
kalo_song_command_test(a_file_that_is_no_arrangement_is_refused
                       "song|info|${PROJECT_SOURCE_DIR}/fuzz/corpus/style_file_fuzzer/four-parts.vxs" 1
                       "four-parts.vxs\" is not an arrangement: ")
kalo_song_command_test(an_output_without_a_file_name_is_refused
                       "song|from-chart|C|-o|${CMAKE_CURRENT_BINARY_DIR}/" 2 "-o needs a file name")
kalo_song_command_test(a_title_the_file_cannot_hold_is_refused
                       "song|from-chart|C|-o|${song_out}.vxa|--title|Ωmega" 2 "cannot store: Ω")
kalo_song_command_test(a_request_whose_key_the_settings_do_not_give_is_reported
                       "song|from-chart|[Fill] C|-o|${song_out}.vxa|--ini|${CMAKE_CURRENT_LIST_DIR}/fill-key-0.ini"
                       0 "[Fill] at 1:1 was left out")
