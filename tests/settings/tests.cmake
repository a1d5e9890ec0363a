orvane_test(settings LIBS orvane_settings)
# The command-line cases run the real program against a private HOME.
if(TARGET orvane)
  add_dependencies(test_settings orvane)
  target_compile_definitions(test_settings PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
