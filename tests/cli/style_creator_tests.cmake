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

# Every shipped style played over chords in G, imported with those chords, plays in C again (the test
# prints how many of the original's notes the converted style plays).
set(KALO_CONVERSION_CHART "G | Em | C | D7 | G | Bm | Am7 | D")
foreach(source IN LISTS shipped_style_sources)
  get_filename_component(style ${source} NAME_WE)
  add_test(NAME cli.style.conversion_to_the_base_chord.${style}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> -DSTYLE=${KALO_PROGRAM_DIR}/STYLES/${style}.vxs
                   "-DCHART=${KALO_CONVERSION_CHART}" -DOUT=${CMAKE_CURRENT_BINARY_DIR}/conversion_${style}
                   -P ${CMAKE_CURRENT_LIST_DIR}/run_style_conversion.cmake)
  set_tests_properties(cli.style.conversion_to_the_base_chord.${style} PROPERTIES LABELS cli TIMEOUT 60)
endforeach()

# Bad arguments exit with 2 before anything is read; a damaged file with 1, naming what is wrong.
function(kalo_style_creator_test name args expectRc expectOut expectErr)
  add_test(NAME cli.style.${name}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=${args}" -DEXPECT_RC=${expectRc}
                   "-DEXPECT_OUT=${expectOut}" "-DEXPECT_ERR=${expectErr}"
                   -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
  set_tests_properties(cli.style.${name} PROPERTIES LABELS cli TIMEOUT 30)
endfunction()
kalo_style_creator_test(import_names_an_unknown_part
                        "style|import|x.mid|-o|x.vxs|--part|Chorus=1-2" 2 "" "no part \"Chorus\"")
kalo_style_creator_test(import_needs_a_way_to_cut
                        "style|import|x.mid|-o|x.vxs" 2 "" "say how to cut the parts")
kalo_style_creator_test(import_of_a_file_that_is_no_midi_file_fails
                        "style|import|${PROJECT_SOURCE_DIR}/fuzz/corpus/style_file_fuzzer/four-parts.vxs|-o|x.vxs|--quick"
                        1 "" "not a Standard MIDI File")

# A style file in an arranger keyboard's layout (sections marked "SInt", "Intro A", "Main A", "Fill In
# AA", ..., "Ending A"; made by the KALO developers for this test) is cut at its markers.
set(keyboard_style ${PROJECT_SOURCE_DIR}/fuzz/corpus/midi_file_fuzzer/keyboard-style-sections.mid)
set(keyboard_out ${CMAKE_CURRENT_BINARY_DIR}/keyboard-style.vxs)
kalo_style_creator_test(import_cuts_a_keyboard_style_at_its_section_markers
                        "style|import|${keyboard_style}|--parts-from-markers|-o|${keyboard_out}|--ini|${CMAKE_CURRENT_BINARY_DIR}/no-such.ini"
                        0
                        "${keyboard_style}: 12 measures of 4/4, tempo 104|marker \"Intro A\" -> Intro|marker \"Main A\" -> Basic|marker \"Main B\" -> Extended|marker \"Ending A\" -> Ending|marker \"Fill In AA\" -> Fill in Basic|marker \"Fill In BB\" -> Fill in Extended|marker \"Fill In AB\" -> To Extended|marker \"Fill In BA\" -> To Basic|Intro: measure 2|Basic: measures 3-4|Extended: measures 7-8|Ending: measures 11-12|Fill in Basic: measure 5|Fill in Extended: measure 9|To Extended: measure 6|To Basic: measure 10|wrote ${keyboard_out}|"
                        "")
