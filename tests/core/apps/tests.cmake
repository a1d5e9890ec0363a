orvane_test(apps LIBS orvane_apps PkgConfig::GIO)
