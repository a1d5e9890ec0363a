orvane_test(settings LIBS orvane_settings)
orvane_test_runs_cli(settings)
