orvane_test(photos LIBS orvane_photos)
# Trash removals need GLib to see a private home before its first use.
target_sources(test_photos PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/GlibHome.cpp)
target_include_directories(test_photos PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform)
target_link_libraries(test_photos PRIVATE PkgConfig::GIO)
# The command-line cases run the real program against a private HOME.
if(TARGET orvane)
  add_dependencies(test_photos orvane)
  target_compile_definitions(test_photos PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
