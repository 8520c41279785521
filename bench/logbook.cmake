veltra_add_bench(logbook LIBS logbook views)
