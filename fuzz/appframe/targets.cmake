# Fuzz targets of the message functions (el/appframe): message texts carry names from data.
set(kln_appframe_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(message_origin SOURCES ${kln_appframe_fuzz_dir}/message_origin_fuzzer.cpp LIBS kln_appframe)
kln_add_seeds(SOURCES ${kln_appframe_fuzz_dir}/message_origin_seeds.cpp LIBS kln_appframe)
