# The chart's save entries, on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_executable(window_export_test window_export_test.cpp)
target_link_libraries(window_export_test PRIVATE pandemie::ui pandemie::io Qt6::Test GTest::gtest pandemie::offscreen_main
                                                 pandemie::warnings)
gtest_discover_tests(window_export_test DISCOVERY_TIMEOUT 120 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
