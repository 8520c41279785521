veltra_add_fuzzer(planfile LIBS fileio planner)
