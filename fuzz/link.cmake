veltra_add_fuzzer(link LIBS link fileio)
