orvane_test(analytics LIBS orvane_analytics nlohmann_json::nlohmann_json)
orvane_test_runs_cli(analytics)
