orvane_test(app_duplicates LIBS orvane_gui Qt6::Test)
