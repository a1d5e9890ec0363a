orvane_test(duplicates LIBS orvane_duplicates orvane_platform)
# Removal into the Trash needs GLib to see a private home before its first use; the platform
# tests' helper does exactly that at static initialisation.
target_sources(test_duplicates PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/GlibHome.cpp)
target_include_directories(test_duplicates PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform)
target_link_libraries(test_duplicates PRIVATE PkgConfig::GIO)
orvane_test_runs_cli(duplicates)
