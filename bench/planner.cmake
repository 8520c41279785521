veltra_add_bench(planner LIBS planner)
