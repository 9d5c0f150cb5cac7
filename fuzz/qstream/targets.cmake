# Fuzz targets of the streams and compressed blocks (el/qstream).
set(kln_qstream_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
kln_add_fuzzer(qstream_lzss_decode SOURCES ${kln_qstream_fuzz_dir}/lzss_decode_fuzzer.cpp LIBS kln_qstream)
kln_add_fuzzer(qstream_lzo_block SOURCES ${kln_qstream_fuzz_dir}/lzo_block_fuzzer.cpp LIBS kln_qstream PkgConfig::LZO2)
kln_add_fuzzer(qstream_serialize_load SOURCES ${kln_qstream_fuzz_dir}/serialize_load_fuzzer.cpp LIBS kln_qstream)
kln_add_fuzzer(qstream_lzss_round_trip SOURCES ${kln_qstream_fuzz_dir}/lzss_round_trip_fuzzer.cpp LIBS kln_qstream)
kln_add_seeds(SOURCES ${kln_qstream_fuzz_dir}/qstream_seeds.cpp LIBS kln_qstream)
