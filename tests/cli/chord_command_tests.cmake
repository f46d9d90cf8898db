# `kalo chord` run as a program: negative numbers release notes, bad note numbers exit with code 2.

function(kalo_chord_command_test name args expectRc expectOut)
  set(extra "")
  if(ARGN)
    set(extra "-DEXPECT_ERR=${ARGN}")
  endif()
  add_test(NAME cli.chord.${name}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=${args}" -DEXPECT_RC=${expectRc}
                   "-DEXPECT_OUT=${expectOut}" ${extra} -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
  set_tests_properties(cli.chord.${name} PROPERTIES LABELS cli TIMEOUT 30)
endfunction()

kalo_chord_command_test(a_released_key_leaves_the_list
                        "chord|60|64|67|-64|65" 0 "48 1 C maj|48 6 C sus4|")
kalo_chord_command_test(two_finger_chords_follow_the_distance_after_transposing
                        "chord|--two-finger|--transpose|-2|64|67|62" 0 "62 1 D maj|62 4 D min7|60 3 C 7th|")
kalo_chord_command_test(a_second_key_above_keeps_the_root_that_triad_chords_lowered
                        "chord|--two-finger|--triad|--major-minor|64|67" 0 "63 1 Eb maj|63 3 Eb 7th|")
kalo_chord_command_test(static_keys_add_up_and_major_minor_swaps
                        "chord|--static|--major-minor|--lowest-key|36|60|-60|64|-64|67" 0 "48 2 C min|")
kalo_chord_command_test(a_note_above_127_is_refused "chord|60|128" 2 "" "not a note number from 0 to 127")
kalo_chord_command_test(a_word_is_refused "chord|C4" 2 "" "not a note number from 0 to 127")
