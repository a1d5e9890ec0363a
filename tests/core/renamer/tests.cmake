find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs)
orvane_test(renamer LIBS orvane_renamer orvane_namer ${OpenCV_LIBS})
target_include_directories(test_renamer PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${OpenCV_INCLUDE_DIRS})
# The command-line cases run the real program against a private HOME.
if(TARGET orvane)
  add_dependencies(test_renamer orvane)
  target_compile_definitions(test_renamer PRIVATE ORVANE_CLI_PATH="$<TARGET_FILE:orvane>")
endif()
