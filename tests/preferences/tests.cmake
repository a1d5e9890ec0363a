orvane_test(preferences LIBS orvane_gui Qt6::Test)
