# Random-input checks of the window and of the tool's command line.
find_package(Qt6 QUIET COMPONENTS Widgets Test)

if(PANDEMIE_BUILD_WINDOW)
  add_executable(window_stress_test window_stress_test.cpp)
  target_link_libraries(window_stress_test PRIVATE pandemie::ui Qt6::Test GTest::gtest pandemie::offscreen_main pandemie::warnings)
  gtest_discover_tests(window_stress_test DISCOVERY_TIMEOUT 120 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

pandemie_add_test(cli_property_test cli_property_test.cpp)
target_link_libraries(cli_property_test PRIVATE pandemie::cli_lib GTest::gtest_main)
target_compile_definitions(cli_property_test PRIVATE PANDEMIE_CLI_PATH="$<TARGET_FILE:pandemie_cli>")
add_dependencies(cli_property_test pandemie_cli)

pandemie_add_test(progress_test progress_test.cpp)
target_link_libraries(progress_test PRIVATE pandemie::cli_lib GTest::gtest_main)
