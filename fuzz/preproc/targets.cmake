# Fuzz targets of the configuration preprocessor (el/preproc).
set(kln_preproc_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(preproc_text SOURCES ${kln_preproc_fuzz_dir}/preproc_text_fuzzer.cpp LIBS kln_preproc)
kln_add_seeds(SOURCES ${kln_preproc_fuzz_dir}/preproc_seeds.cpp LIBS kln_preproc)
