add_test([=[model.placeholder]=]  /work/main/build/tests/model_test [==[--gtest_filter=model.placeholder]==] --gtest_also_run_disabled_tests)
set_tests_properties([=[model.placeholder]=]  PROPERTIES WORKING_DIRECTORY /work/main/build/tests SKIP_REGULAR_EXPRESSION [==[\[  SKIPPED \]]==])
set(  model_test_TESTS model.placeholder)
