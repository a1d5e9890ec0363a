orvane_test(core_junk LIBS orvane_junk nlohmann_json::nlohmann_json)
# The command-line cases run the real program against a private HOME.
if(TARGET orvane)
  add_dependencies(test_core_junk orvane)
  target_compile_definitions(test_core_junk PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
# Cleaning's administrator cases start the real helper, without pkexec, against a temporary root.
add_dependencies(test_core_junk orvane-helper)
target_compile_definitions(test_core_junk PRIVATE ORVANE_HELPER_BINARY="$<TARGET_FILE:orvane-helper>")
