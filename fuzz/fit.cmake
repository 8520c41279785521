veltra_add_fuzzer(fit LIBS fileio)
