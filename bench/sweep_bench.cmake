add_executable(sweep_bench sweep_bench.cpp)
target_link_libraries(sweep_bench PRIVATE pandemie::cli_lib pandemie::chart benchmark::benchmark pandemie::warnings)
