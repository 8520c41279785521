veltra_add_bench(replay LIBS planner)
