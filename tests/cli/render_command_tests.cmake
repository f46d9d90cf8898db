# `kalo render` run as a program: a bad chart or nothing to write exits with code 2 before rendering;
# a render to a MIDI file runs to its end.

set(KALO_RENDER_STYLE ${PROJECT_SOURCE_DIR}/fuzz/corpus/style_file_fuzzer/four-parts.vxs)

function(kalo_render_command_test name args expectRc expectOut)
  set(extra "")
  if(ARGN)
    set(extra "-DEXPECT_ERR=${ARGN}")
  endif()
  add_test(NAME cli.render.${name}
           COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=${args}" -DEXPECT_RC=${expectRc}
                   "-DEXPECT_OUT=${expectOut}" ${extra} -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
  set_tests_properties(cli.render.${name} PROPERTIES LABELS cli TIMEOUT 30)
endfunction()

kalo_render_command_test(an_unknown_chord_is_named_with_its_place
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C Xq|--events|-" 2 ""
                         "unknown chord \"Xq\" at measure 1, token 2")
kalo_render_command_test(without_an_output_nothing_is_rendered
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C" 2 "" "nothing to write")
kalo_render_command_test(a_chart_renders_to_a_midi_file
                         "render|--style|${KALO_RENDER_STYLE}|--chart|C F G C|--ending|-o|${CMAKE_CURRENT_BINARY_DIR}/render_test.mid"
                         0 "")
