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
