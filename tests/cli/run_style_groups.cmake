# `kalo style groups` run as a program in WORK_DIR: a list naming an unknown group, a group that has
# sub-groups and a missing style gives one error a line, exit code 1, and no group file.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/STYLES)
file(WRITE ${WORK_DIR}/beat.style "style beat\ntempo 100\nmetre 4/4\nchannel 10 drums\npart Basic 1 measure\n  drums kick q: x . x .\n")
execute_process(COMMAND ${KALO} style build ${WORK_DIR}/beat.style -o ${WORK_DIR}/STYLES/beat.vxs RESULT_VARIABLE rc)
file(WRITE ${WORK_DIR}/groups.list "# groups\nFunk beat A beat\nPolka beat B\nJazz beat C\nJazz/Swing nothere D\n")
execute_process(COMMAND ${KALO} style groups ${WORK_DIR}/groups.list --styles ${WORK_DIR}/STYLES
                        -o ${WORK_DIR}/kalo.VXG RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR EXISTS ${WORK_DIR}/kalo.VXG)
  message(FATAL_ERROR "a faulty list gave exit code ${rc} or wrote a group file: ${err}")
endif()
foreach(expected "groups.list:3: no group \"Polka\"" "groups.list:4: the group \"Jazz\" has sub-groups"
                 "groups.list:5: no style file" "3 errors, nothing written")
  string(FIND "${err}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the error text \"${err}\" lacks \"${expected}\"")
  endif()
endforeach()
