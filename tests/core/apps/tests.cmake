orvane_test(apps LIBS orvane_apps PkgConfig::GIO nlohmann_json::nlohmann_json)
orvane_test_runs_cli(apps)
# The store lookup talks to a real HTTP server on 127.0.0.1; the package tools' outputs are
# samples in data/.
if(NOT TARGET PkgConfig::HTTPLIB)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()
target_link_libraries(test_apps PRIVATE PkgConfig::HTTPLIB)
target_compile_definitions(test_apps PRIVATE ORVANE_APPS_TEST_DATA="${CMAKE_CURRENT_LIST_DIR}/data")
# Removals needing administrator rights run the real helper program, without pkexec.
if(TARGET orvane-helper)
  add_dependencies(test_apps orvane-helper)
  target_compile_definitions(test_apps PRIVATE ORVANE_HELPER_BINARY="$<TARGET_FILE:orvane-helper>")
endif()
