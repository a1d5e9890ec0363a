orvane_test(files LIBS orvane_files orvane_platform nlohmann_json::nlohmann_json)
# Removal into the Trash needs GLib to see a private home before its first use; the platform
# tests' helper does exactly that at static initialisation.
target_sources(test_files PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/GlibHome.cpp)
target_include_directories(test_files PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform)
target_link_libraries(test_files PRIVATE PkgConfig::GIO)
