# Fuzz targets of worlds (lib/landscape).
set(kln_landscape_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})

# The runtime world loader: loads, then saves in both versions and loads again.
kln_add_fuzzer(landscape_runtime_world SOURCES ${kln_landscape_fuzz_dir}/runtime_world_fuzzer.cpp LIBS kln_landscape)
kln_add_seeds(SOURCES ${kln_landscape_fuzz_dir}/runtime_world_seeds.cpp LIBS kln_landscape)

# The source world reader: its target and seeds follow here.
kln_add_fuzzer(landscape_source_world SOURCES ${kln_landscape_fuzz_dir}/source_world_fuzzer.cpp LIBS kln_landscape)
kln_add_seeds(SOURCES ${kln_landscape_fuzz_dir}/source_world_seeds.cpp LIBS kln_source_world_writer)
