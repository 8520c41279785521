veltra_add_fuzzer(csv LIBS fileio)
