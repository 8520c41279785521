veltra_add_bench(csv LIBS fileio)
