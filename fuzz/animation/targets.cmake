# Fuzz targets of the animations (lib/animation): the source reader and the runtime loader.
set(kln_animation_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(animation_source SOURCES ${kln_animation_fuzz_dir}/source_animation_fuzzer.cpp LIBS kln_animation)
kln_add_fuzzer(animation_runtime SOURCES ${kln_animation_fuzz_dir}/runtime_animation_fuzzer.cpp LIBS kln_animation)
kln_add_seeds(SOURCES ${kln_animation_fuzz_dir}/animation_seeds.cpp LIBS kln_animation kln_rtm_writer)
