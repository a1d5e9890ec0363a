orvane_test(largefiles LIBS orvane_largefiles nlohmann_json::nlohmann_json)
# The command-line cases run the real program against a private HOME.
if(TARGET orvane)
  add_dependencies(test_largefiles orvane)
  target_compile_definitions(test_largefiles PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
