orvane_test(helper LIBS orvane_helper_service orvane_junk orvane_files)
# The client cases start the real helper program, without pkexec, against a temporary root.
add_dependencies(test_helper orvane-helper)
target_compile_definitions(test_helper PRIVATE ORVANE_HELPER_BINARY="$<TARGET_FILE:orvane-helper>")
