orvane_test(app_largefiles LIBS orvane_gui Qt6::Test)
