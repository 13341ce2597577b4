# Empty dependencies file for pandemie_model.
# This may be replaced when dependencies are built.
