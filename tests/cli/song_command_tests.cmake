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
