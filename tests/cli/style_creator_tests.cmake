# `kalo style import`, `export` and `repair` run as programs.

# Every shipped style survives the round trip through a MIDI file.
set(KALO_ROUND_TRIP_CHART "C | C | C [Fill] | C [ToExtended] | C | C [Fill] | C [ToBasic] | C | C")
file(GLOB shipped_style_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/styles/*.style)
foreach(source IN LISTS shipped_style_sources)
  get_filename_component(style ${source} NAME_WE)
  add_test(NAME cli.style.round_trip_through_a_midi_file.${style}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> -DSTYLE=${KALO_PROGRAM_DIR}/STYLES/${style}.vxs
                   "-DCHART=${KALO_ROUND_TRIP_CHART}" -DOUT=${CMAKE_CURRENT_BINARY_DIR}/round_trip_${style}
                   -DINI=${CMAKE_CURRENT_BINARY_DIR}/no-such.ini
                   -P ${CMAKE_CURRENT_LIST_DIR}/run_style_round_trip.cmake)
  set_tests_properties(cli.style.round_trip_through_a_midi_file.${style} PROPERTIES LABELS cli TIMEOUT 60)
endforeach()

# Bad arguments exit with 2 before anything is read; a damaged file with 1, naming what is wrong.
function(kalo_style_creator_test name args expectRc expectErr)
  add_test(NAME cli.style.${name}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=${args}" -DEXPECT_RC=${expectRc}
                   "-DEXPECT_OUT=" "-DEXPECT_ERR=${expectErr}" -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
  set_tests_properties(cli.style.${name} PROPERTIES LABELS cli TIMEOUT 30)
endfunction()
kalo_style_creator_test(import_names_an_unknown_part
                        "style|import|x.mid|-o|x.vxs|--part|Chorus=1-2" 2 "no part \"Chorus\"")
kalo_style_creator_test(import_needs_a_way_to_cut
                        "style|import|x.mid|-o|x.vxs" 2 "say how to cut the parts")
kalo_style_creator_test(import_of_a_file_that_is_no_midi_file_fails
                        "style|import|${PROJECT_SOURCE_DIR}/fuzz/corpus/style_file_fuzzer/four-parts.vxs|-o|x.vxs|--quick"
                        1 "not a Standard MIDI File")
