orvane_test(app_shell LIBS orvane_gui Qt6::Test)
