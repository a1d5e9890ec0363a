orvane_test(app_renamer LIBS orvane_gui Qt6::Test)
