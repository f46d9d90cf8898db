# `kalo song` run as a program: a file that cannot be read exits with code 1 and says so.

add_test(NAME cli.song.an_unreadable_file_is_reported
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=song|info|/nonexistent/kalo-song.vxa"
                 -DEXPECT_RC=1 "-DEXPECT_OUT=" "-DEXPECT_ERR=cannot read \"/nonexistent/kalo-song.vxa\": No such file or directory"
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
set_tests_properties(cli.song.an_unreadable_file_is_reported PROPERTIES LABELS cli TIMEOUT 30)

# `kalo song from-chart` makes an arrangement that renders exactly as the chart does, for every shipped
# style and so for every metre the library has (4/4, 3/4, 6/8): the song's beat records last a quarter
# note as the chart's beats do, and a fill pressed mid-measure hands back on the bar line in both.
file(GLOB KALO_SHIPPED_STYLE_SOURCES ${PROJECT_SOURCE_DIR}/styles/*.style)
foreach(source IN LISTS KALO_SHIPPED_STYLE_SOURCES)
  get_filename_component(style ${source} NAME_WE)
  add_test(NAME cli.song.an_arrangement_from_a_chart_renders_as_the_chart_with_${style}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo>
                   -DSTYLE=$<TARGET_FILE_DIR:kalo>/STYLES/${style}.vxs
                   "-DCHART=C Am | F [Fill] G7 | [ToExtended] Dm7 G7 | % | [ToBasic] C"
                   -DOUT=${CMAKE_CURRENT_BINARY_DIR}/chart_song_${style}
                   -DINI=${CMAKE_CURRENT_BINARY_DIR}/no-such.ini
                   -P ${CMAKE_CURRENT_LIST_DIR}/run_song_chart_equivalence.cmake)
  set_tests_properties(cli.song.an_arrangement_from_a_chart_renders_as_the_chart_with_${style}
                       PROPERTIES LABELS cli TIMEOUT 60)
endforeach()

# A song's chart reads back, from standard input, into a song that prints the same chart.
add_test(NAME cli.song.a_songs_chart_reads_back_into_the_same_song
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> -DSONG=$<TARGET_FILE_DIR:kalo>/SONGS/demo3.vxa
                 -DOUT=${CMAKE_CURRENT_BINARY_DIR}/chart_round_trip -DINI=${CMAKE_CURRENT_BINARY_DIR}/no-such.ini
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_song_chart_round_trip.cmake)
set_tests_properties(cli.song.a_songs_chart_reads_back_into_the_same_song PROPERTIES LABELS cli TIMEOUT 60)
