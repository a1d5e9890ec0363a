orvane_test(analytics LIBS orvane_analytics nlohmann_json::nlohmann_json)
# The command-line cases run the real program against a private HOME.
if(TARGET orvane)
  add_dependencies(test_analytics orvane)
  target_compile_definitions(test_analytics PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
