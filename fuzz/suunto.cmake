veltra_add_fuzzer(suunto LIBS fileio)
