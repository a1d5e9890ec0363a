orvane_test(app_apps LIBS orvane_gui Qt6::Test PkgConfig::GIO)
# The fixture homes and trees of the core tests, laid out the same way.
target_sources(test_app_apps PRIVATE ${PROJECT_SOURCE_DIR}/tests/core/apps/AppFixtures.cpp)
target_sources(test_app_apps PRIVATE ${PROJECT_SOURCE_DIR}/tests/core/apps/FakeTools.cpp)
