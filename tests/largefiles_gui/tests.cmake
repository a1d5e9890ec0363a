orvane_test(largefiles_gui LIBS orvane_gui Qt6::Test)
