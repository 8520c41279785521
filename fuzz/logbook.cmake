veltra_add_fuzzer(logbook LIBS logbook fileio)
