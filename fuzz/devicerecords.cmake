veltra_add_fuzzer(devicerecords LIBS link fileio)
