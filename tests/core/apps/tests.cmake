orvane_test(apps LIBS orvane_apps PkgConfig::GIO nlohmann_json::nlohmann_json)
# The command-line cases run the real program against a private HOME.
if(TARGET orvane)
  add_dependencies(test_apps orvane)
  target_compile_definitions(test_apps PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
