orvane_test(analytics LIBS orvane_analytics)
