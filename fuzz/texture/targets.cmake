# Fuzz targets of the textures (lib/texture): the ".paa"/".pac" header reader, the
# "texHeaders.bin" loader and the level decoder behind kiln paa2png.
set(kln_texture_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(texture_header SOURCES ${kln_texture_fuzz_dir}/texture_header_fuzzer.cpp LIBS kln_texture)
kln_add_fuzzer(texture_headers_file SOURCES ${kln_texture_fuzz_dir}/texture_headers_file_fuzzer.cpp LIBS kln_texture)
kln_add_fuzzer(texture_decoder SOURCES ${kln_texture_fuzz_dir}/texture_decoder_fuzzer.cpp LIBS kln_texture)
kln_add_seeds(SOURCES ${kln_texture_fuzz_dir}/texture_seeds.cpp ${kln_texture_fuzz_dir}/texture_decoder_seeds.cpp
  LIBS kln_texture_testing kln_pressmill)
