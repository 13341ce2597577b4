find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_executable(window_test window_test.cpp)
target_link_libraries(window_test PRIVATE pandemie::ui Qt6::Test GTest::gtest pandemie::offscreen_main pandemie::warnings)
gtest_discover_tests(window_test DISCOVERY_TIMEOUT 120 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(window_scale_test window_scale_test.cpp)
target_link_libraries(window_scale_test PRIVATE pandemie::ui Qt6::Test GTest::gtest pandemie::offscreen_main pandemie::warnings)
gtest_discover_tests(window_scale_test DISCOVERY_TIMEOUT 120 PROPERTIES ENVIRONMENT "QT_SCALE_FACTOR=2")
