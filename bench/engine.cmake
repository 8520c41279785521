veltra_add_bench(engine LIBS engine)
