veltra_add_fuzzer(udcf LIBS fileio)
