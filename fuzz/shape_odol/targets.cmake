# Fuzz target of the runtime model format (lib/shape): loads, then saves and loads again.
set(kln_shape_odol_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(shape_runtime_model SOURCES ${kln_shape_odol_fuzz_dir}/runtime_model_fuzzer.cpp LIBS kln_shape)
kln_add_seeds(SOURCES ${kln_shape_odol_fuzz_dir}/runtime_model_seeds.cpp LIBS kln_shape kln_mlod_writer)
