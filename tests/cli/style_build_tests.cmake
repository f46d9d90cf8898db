# `kalo style build` run as a program: output beside the source, the same bytes twice, and a faulty
# source writes nothing.
add_test(NAME cli.style.build_writes_only_a_correct_source
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/style_build
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_style_build.cmake)
set_tests_properties(cli.style.build_writes_only_a_correct_source PROPERTIES LABELS cli TIMEOUT 30)

# `kalo style groups`: a list with mistakes names each line and writes nothing.
add_test(NAME cli.style.groups_names_every_faulty_line_and_writes_nothing
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/style_groups
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_style_groups.cmake)
set_tests_properties(cli.style.groups_names_every_faulty_line_and_writes_nothing PROPERTIES LABELS cli TIMEOUT 30)
