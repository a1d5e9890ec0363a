find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs)
orvane_test(namer LIBS orvane_namer ${OpenCV_LIBS})
# The document and image fixtures are shared with the renamer's tests.
target_sources(test_namer PRIVATE ${PROJECT_SOURCE_DIR}/tests/core/renamer/DocumentFixtures.cpp)
target_include_directories(test_namer PRIVATE ${PROJECT_SOURCE_DIR}/tests/core ${OpenCV_INCLUDE_DIRS})
