orvane_test(removal LIBS orvane_duplicates orvane_platform)
# Trash tests need GLib to see a private home before its first use; the platform tests' helper
# does exactly that at static initialisation.
target_sources(test_removal PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/GlibHome.cpp)
target_include_directories(test_removal PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform)
target_link_libraries(test_removal PRIVATE PkgConfig::GIO)
if(TARGET orvane)
  add_dependencies(test_removal orvane)
  target_compile_definitions(test_removal PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
