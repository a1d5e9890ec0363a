orvane_test(photos_gui LIBS orvane_gui Qt6::Test)
target_include_directories(test_photos_gui PRIVATE ${PROJECT_SOURCE_DIR}/tests/gui ${PROJECT_SOURCE_DIR}/tests/support)
