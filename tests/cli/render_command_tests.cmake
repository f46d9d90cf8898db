# `kalo render` run as a program: a bad chart, nothing to write or a file of unknown type exits with
# code 2 before rendering, a song file that is no arrangement with code 1; a render to a MIDI file and
# sound files at once writes them all; a MIDI file reads back in mido (python3-mido) with the style's
# metre and every note paired.

set(KALO_RENDER_STYLE ${PROJECT_SOURCE_DIR}/fuzz/corpus/style_file_fuzzer/four-parts.vxs)

# kalo_render_command_test(name args expectRc expectOut [expectErr] [FILES f1|f2 HEADS h1|h2])
function(kalo_render_command_test name args expectRc expectOut)
  cmake_parse_arguments(ARG "" "FILES;HEADS" "" ${ARGN})
  set(extra "")
  if(ARG_UNPARSED_ARGUMENTS)
    list(APPEND extra "-DEXPECT_ERR=${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(DEFINED ARG_FILES)
    list(APPEND extra "-DEXPECT_FILES=${ARG_FILES}" "-DEXPECT_HEADS=${ARG_HEADS}")
  endif()
  add_test(NAME cli.render.${name}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=${args}" -DEXPECT_RC=${expectRc}
                   "-DEXPECT_OUT=${expectOut}" ${extra} -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
  set_tests_properties(cli.render.${name} PROPERTIES LABELS cli TIMEOUT 30)
endfunction()

kalo_render_command_test(an_unknown_chord_is_named_with_its_place
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C Xq|--events|-" 2 ""
                         "unknown chord \"Xq\" at measure 1, token 2")
kalo_render_command_test(song_functions_in_a_chart_are_refused
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C [Loop 2x] G|--events|-" 2 ""
                         "which only a song plays")
kalo_render_command_test(a_chart_of_rests_alone_is_refused
                         "render|--style|${KALO_RENDER_STYLE}|--chart|. . . .|--events|-" 2 "" "holds no chord to play")
kalo_render_command_test(without_an_output_nothing_is_rendered
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C" 2 "" "nothing to write")
kalo_render_command_test(a_file_that_is_no_arrangement_is_refused "render|${KALO_RENDER_STYLE}|--events|-" 1 ""
                         "four-parts.vxs\" is not an arrangement: ")
kalo_render_command_test(a_file_of_unknown_type_is_refused
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C|-o|song.mp3" 2 ""
                         "cannot write song.mp3: KALO does not write .mp3 files")
set(render_out ${CMAKE_CURRENT_BINARY_DIR}/render_test)
kalo_render_command_test(a_chart_renders_to_a_midi_file_and_sound_files_at_once
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C F G C|--ending|-o|${render_out}.mid|-o|${render_out}.wav|-o|${render_out}.flac|-o|${render_out}.ogg"
                         0 "" FILES "${render_out}.mid|${render_out}.wav|${render_out}.flac|${render_out}.ogg"
                         HEADS "MThd|RIFF|fLaC|OggS")
find_program(KALO_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(KALO_SYSTEM_PYTHON)
  add_test(NAME cli.render.a_midi_file_reads_in_mido_with_its_metre_and_every_note_paired
           COMMAND sh -c "\"$1\" render --style \"$2\" --intro --ending -o \"$3\" --chart \"C | F [Fill] | [ToExtended] G | C | [Fill] F | [ToBasic] G | C\" && \"$4\" \"$5\" \"$3\" 3/4"
                   kalo-render $<TARGET_FILE:kalo> $<TARGET_FILE_DIR:kalo>/STYLES/waltz.vxs ${render_out}-waltz.mid
                   ${KALO_SYSTEM_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/midi_pairs_in_mido.py)
  set_tests_properties(cli.render.a_midi_file_reads_in_mido_with_its_metre_and_every_note_paired
                       PROPERTIES LABELS cli TIMEOUT 60 SKIP_RETURN_CODE 77)
endif()
