# Measurements, not tests: `make bench` builds and runs them; ctest does not.
if(benchmark_FOUND)
  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
  add_executable(benchmarks ${BENCH_SOURCES})
  target_link_libraries(benchmarks PRIVATE zintari_core benchmark::benchmark)
endif()

add_executable(pacing ${CMAKE_SOURCE_DIR}/bench/pacing.cpp)
target_compile_options(pacing PRIVATE ${WARNINGS})
target_link_libraries(pacing PRIVATE zintari_core)

# The level curve: the autoplayer on every level (`make soak`).
add_executable(level_curve ${CMAKE_SOURCE_DIR}/bench/level_curve.cpp ${CMAKE_SOURCE_DIR}/bench/autoplayer.cpp
                           ${CMAKE_SOURCE_DIR}/tests/soak/play.cpp)
target_compile_options(level_curve PRIVATE ${WARNINGS})
target_link_libraries(level_curve PRIVATE zintari_core)

# What recording a run costs (`make bench`).
add_executable(replay_bench ${CMAKE_SOURCE_DIR}/bench/replay.cpp)
target_compile_options(replay_bench PRIVATE ${WARNINGS})
target_link_libraries(replay_bench PRIVATE zintari_core)
