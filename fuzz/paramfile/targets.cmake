# Fuzz targets of the configuration parser and the binary configuration format (el/paramfile).
set(kln_paramfile_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(paramfile_text SOURCES ${kln_paramfile_fuzz_dir}/text_fuzzer.cpp LIBS kln_paramfile)
kln_add_fuzzer(paramfile_binary SOURCES ${kln_paramfile_fuzz_dir}/binary_fuzzer.cpp LIBS kln_paramfile)
kln_add_seeds(SOURCES ${kln_paramfile_fuzz_dir}/paramfile_seeds.cpp LIBS kln_paramfile)
