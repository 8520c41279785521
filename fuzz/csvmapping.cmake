veltra_add_fuzzer(csvmapping LIBS fileio)
