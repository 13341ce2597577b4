tests/CMakeFiles/model_test.dir/ensemble_test.cpp.o: \
 /work/main/tests/ensemble_test.cpp /usr/include/stdc-predef.h
