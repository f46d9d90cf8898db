# `kalo live` run as a program: a port that is not there is named, with the list of those there are,
# before anything opens.

set(KALO_LIVE_STYLE ${PROJECT_SOURCE_DIR}/fuzz/corpus/style_file_fuzzer/four-parts.vxs)
foreach(case IN ITEMS "in|input|inputs" "out|output|outputs")
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 option)
  list(GET parts 1 kind)
  list(GET parts 2 kinds)
  add_test(NAME cli.live.an_unknown_${option}_port_is_named_with_the_list_of_${kinds}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo>
                   "-DARGS=live|--style|${KALO_LIVE_STYLE}|--${option}|Nonesuch" -DEXPECT_RC=2 "-DEXPECT_OUT="
                   "-DEXPECT_ERR=--${option}: there is no MIDI ${kind} \"Nonesuch\"\nMIDI ${kinds}:\n"
                   -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
  set_tests_properties(cli.live.an_unknown_${option}_port_is_named_with_the_list_of_${kinds}
                       PROPERTIES LABELS cli TIMEOUT 30)
endforeach()
