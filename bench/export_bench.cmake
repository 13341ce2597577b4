add_executable(export_bench export_bench.cpp)
target_link_libraries(export_bench PRIVATE pandemie::io pandemie::chart benchmark::benchmark pandemie::warnings)
