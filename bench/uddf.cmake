veltra_add_bench(uddf LIBS fileio logbook PkgConfig::LIBXML2)
