# The tool under mpirun gives the bytes of one process (MPI build only).
set(mpirun_environment OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1)
foreach(case ensemble scenarios sweep bad_call)
  add_test(NAME mpi_${case} COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/mpi_check.sh $<TARGET_FILE:pandemie_cli> ${case}
                                    ${PROJECT_SOURCE_DIR}/examples)
  set_tests_properties(mpi_${case} PROPERTIES ENVIRONMENT "${mpirun_environment}" TIMEOUT 600)
endforeach()
