veltra_add_bench(views LIBS views Qt6::Widgets)
