orvane_test(gui LIBS orvane_gui Qt6::Test)
