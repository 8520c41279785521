veltra_add_bench(startup LIBS app)
