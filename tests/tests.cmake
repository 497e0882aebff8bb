enable_testing()

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
set(TEST_ENV "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;ZINTARI_GAME_DIR=${GAME_DIR}")

# GoogleTest comes with the test packages (scripts/setup.sh test), not with
# those `make play` installs: the game builds without it.
find_package(GTest)
if(GTest_FOUND)
  function(zintari_unit_tests name core)
    add_executable(${name} ${UNIT_TEST_SOURCES})
    target_compile_options(${name} PRIVATE ${WARNINGS})
    target_link_libraries(${name} PRIVATE ${core} GTest::gtest GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${TEST_ENV}" LABELS unit)
  endfunction()

  zintari_unit_tests(unit_tests zintari_core)
  if(ZINTARI_SANITIZERS)
    zintari_unit_tests(unit_tests_sanitized zintari_core_san)
    set_property(TEST unit_tests_sanitized APPEND PROPERTY ENVIRONMENT
      "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endif()
else()
  message(STATUS "GoogleTest not found: no unit tests (scripts/setup.sh test installs it)")
endif()

# End-to-end: the real program in Xvfb with a window manager and real keys.
file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
foreach(script ${E2E_TESTS})
  get_filename_component(test_name ${script} NAME_WE)
  add_test(NAME e2e_${test_name} COMMAND python3 ${script} ${GAME_DIR}/zintari ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_${test_name} PROPERTIES LABELS e2e TIMEOUT 300 RESOURCE_LOCK xserver SKIP_RETURN_CODE 77)
endforeach()

# The soak: every level played with random keys, the game's invariants
# checked all along. Built with the sanitizers when they are on, so that an
# index outside the well stops it.
file(GLOB SOAK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/soak/*.cpp)
add_executable(soak ${SOAK_SOURCES})
target_compile_options(soak PRIVATE ${WARNINGS})
if(ZINTARI_SANITIZERS)
  target_link_libraries(soak PRIVATE zintari_core_san)
else()
  target_link_libraries(soak PRIVATE zintari_core)
endif()
add_test(NAME soak_short COMMAND soak ${GAME_DIR} --games 1 --seed 11)  # every level once
set_tests_properties(soak_short PROPERTIES ENVIRONMENT "${TEST_ENV}" LABELS soak TIMEOUT 600)

# A brief fuzzing of every loader, from the clang build that `make test`
# makes in build/fuzz before it runs the tests.
add_test(NAME fuzz_brief COMMAND ${CMAKE_SOURCE_DIR}/tests/fuzz/run.sh ${CMAKE_BINARY_DIR}/fuzz 5)
set_tests_properties(fuzz_brief PROPERTIES LABELS fuzz TIMEOUT 300)

# libFuzzer targets (a clang build with -DZINTARI_FUZZ=ON; see `make fuzz`).
if(ZINTARI_FUZZ)
  foreach(target Levels Preferences Scores Help Codec Keys Replay)
    add_executable(fuzz_${target} ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_loaders.cpp)
    target_compile_definitions(fuzz_${target} PRIVATE ZINTARI_FUZZ_TARGET=${target})
    target_compile_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${target} PRIVATE zintari_core_san)
  endforeach()
endif()

add_test(NAME package_deb COMMAND ${CMAKE_SOURCE_DIR}/tests/package/test_package.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(package_deb PROPERTIES LABELS package TIMEOUT 300)

# The corpus of replays (tests/replays): `make replays` records it again
# with record_replays. Every replay is checked to its recorded end, and the
# reader written from the format document decodes every byte of every one,
# also of a replay flushed as often as a player's is; a replay given as a
# fault report is recorded again from its inputs byte for byte.
add_executable(record_replays ${CMAKE_SOURCE_DIR}/tests/replays/record.cpp ${CMAKE_SOURCE_DIR}/bench/autoplayer.cpp)
target_compile_options(record_replays PRIVATE ${WARNINGS})
target_link_libraries(record_replays PRIVATE zintari_core)
set(REPLAY_READER ${CMAKE_SOURCE_DIR}/tests/replays/read_replay.py)
file(GLOB CORPUS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/replays/*.zrp)
foreach(replay ${CORPUS})
  get_filename_component(name ${replay} NAME_WE)
  add_test(NAME replay_${name} COMMAND python3 ${REPLAY_READER} check ${GAME_DIR}/zintari ${replay})
  set_tests_properties(replay_${name} PROPERTIES LABELS replays TIMEOUT 120)
endforeach()
add_test(NAME replays_format COMMAND python3 ${REPLAY_READER} verify ${CORPUS})
foreach(mode flushed again)
  add_test(NAME replays_${mode} COMMAND ${CMAKE_SOURCE_DIR}/tests/replays/record_test.sh ${CMAKE_BINARY_DIR} ${GAME_DIR} ${mode})
endforeach()
set_tests_properties(replays_format replays_flushed replays_again PROPERTIES LABELS replays ENVIRONMENT "${TEST_ENV}" TIMEOUT 120)

# What `make play` installs and builds: nothing only the tests use.
add_test(NAME play_plan COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/plan/test_play_plan.py ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(play_plan PROPERTIES LABELS plan TIMEOUT 120)
