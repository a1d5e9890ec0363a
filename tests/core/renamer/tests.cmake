find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs)
orvane_test(renamer LIBS orvane_renamer ${OpenCV_LIBS})
target_include_directories(test_renamer PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${OpenCV_INCLUDE_DIRS})
