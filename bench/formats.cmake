veltra_add_bench(formats LIBS fileio logbook)
