orvane_test(app_common LIBS orvane_gui Qt6::Test)
