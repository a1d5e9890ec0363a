orvane_test(core_junk LIBS orvane_junk)
