# Fuzz targets of the platform layer: prefix-file texts and names from data.
set(kln_platform_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(prefix_text SOURCES ${kln_platform_fuzz_dir}/prefix_text_fuzzer.cpp LIBS kln_platform)
kln_add_seeds(SOURCES ${kln_platform_fuzz_dir}/platform_seeds.cpp LIBS kln_platform)
