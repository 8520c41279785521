veltra_add_fuzzer(uddf LIBS fileio)
