# Runs the built pandemie-cli for its export files and compares its chart
# image with the window's, on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

pandemie_add_test(export_test export_test.cpp lab_test.cpp)
target_link_libraries(export_test PRIVATE pandemie::ui pandemie::chart pandemie::model pandemie::offscreen_main)
target_compile_definitions(export_test PRIVATE PANDEMIE_CLI_PATH="$<TARGET_FILE:pandemie_cli>")
add_dependencies(export_test pandemie_cli)
