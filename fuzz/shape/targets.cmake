# Fuzz targets of the models (lib/shape): the source model reader and material files.
set(kln_shape_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(shape_source_model SOURCES ${kln_shape_fuzz_dir}/source_model_fuzzer.cpp LIBS kln_shape)
kln_add_fuzzer(shape_material SOURCES ${kln_shape_fuzz_dir}/material_fuzzer.cpp LIBS kln_shape)
kln_add_seeds(SOURCES ${kln_shape_fuzz_dir}/shape_seeds.cpp LIBS kln_shape kln_mlod_writer)
