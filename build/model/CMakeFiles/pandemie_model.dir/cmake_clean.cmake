file(REMOVE_RECURSE
  "CMakeFiles/pandemie_model.dir/ensemble.cpp.o"
  "CMakeFiles/pandemie_model.dir/ensemble.cpp.o.d"
  "CMakeFiles/pandemie_model.dir/model.cpp.o"
  "CMakeFiles/pandemie_model.dir/model.cpp.o.d"
  "libpandemie_model.a"
  "libpandemie_model.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/pandemie_model.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
