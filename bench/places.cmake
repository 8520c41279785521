veltra_add_bench(places LIBS logbook planner views)
