# Fuzz targets of the conversion driver (tool/).
set(kln_tool_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(hash_state SOURCES ${kln_tool_fuzz_dir}/hash_state_fuzzer.cpp LIBS kln_tool)
kln_add_seeds(SOURCES ${kln_tool_fuzz_dir}/hash_state_seeds.cpp LIBS kln_tool)
