orvane_test(app_junk LIBS orvane_gui Qt6::Test)
