orvane_test(largefiles LIBS orvane_largefiles)
