veltra_add_fuzzer(subsurface LIBS fileio)
