# `kalo song info` run as a program: a file that cannot be read exits with code 1 and says so.

add_test(NAME cli.song.an_unreadable_file_is_reported
         COMMAND ${CMAKE_COMMAND} -DKALO=$<TARGET_FILE:kalo> "-DARGS=song|info|/nonexistent/kalo-song.vxa"
                 -DEXPECT_RC=1 "-DEXPECT_OUT=" "-DEXPECT_ERR=cannot read /nonexistent/kalo-song.vxa"
                 -P ${CMAKE_CURRENT_LIST_DIR}/run_chord_command.cmake)
set_tests_properties(cli.song.an_unreadable_file_is_reported PROPERTIES LABELS cli TIMEOUT 30)
