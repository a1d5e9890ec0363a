orvane_test(app_preferences LIBS orvane_gui Qt6::Test)
