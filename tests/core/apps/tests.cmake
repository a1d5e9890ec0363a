orvane_test(apps LIBS orvane_apps PkgConfig::GIO nlohmann_json::nlohmann_json)
orvane_test_runs_cli(apps)
