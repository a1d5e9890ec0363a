orvane_test(platform LIBS orvane_platform)
