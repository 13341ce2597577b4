# Empty compiler generated dependencies file for model_test.
# This may be replaced when dependencies are built.
