# Shared compile flags and the one-library-per-folder rule.

function(kalo_apply_flags target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
  if(KALO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(KALO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KALO_TSAN)
  if(KALO_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer: set only one of "
                        "KALO_TSAN and KALO_SANITIZE")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# kalo_library(<folder> [DEPS <folders...>] [LIBS <targets...>]): static library kalo_<folder> from
# src/<folder>/**/*.cpp, with includes rooted at src/ so that code writes #include "midi/midi_output.h".
# DEPS are other KALO folders (public), LIBS outside libraries used only inside the folder (private).
function(kalo_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS;LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  set(target kalo_${folder})
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    kalo_apply_flags(${target})
    foreach(dep IN LISTS ARG_DEPS)
      target_link_libraries(${target} PUBLIC kalo_${dep})
    endforeach()
    target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    foreach(dep IN LISTS ARG_DEPS)
      target_link_libraries(${target} INTERFACE kalo_${dep})
    endforeach()
  endif()
endfunction()

# kalo_test_suite(<folder> <libs...>): one GoogleTest executable kalo_<folder>_tests from
# tests/<folder>/*.cpp, registered test by test with CTest.
function(kalo_test_suite folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target kalo_${folder}_tests)
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  kalo_apply_flags(${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS ${folder} TIMEOUT 120)
endfunction()
