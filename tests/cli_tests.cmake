# Runs the built pandemie-cli as a child process.
pandemie_add_test(cli_test cli_test.cpp)
target_link_libraries(cli_test PRIVATE pandemie::model GTest::gtest_main)
target_compile_definitions(cli_test PRIVATE PANDEMIE_CLI_PATH="$<TARGET_FILE:pandemie_cli>")
add_dependencies(cli_test pandemie_cli)
