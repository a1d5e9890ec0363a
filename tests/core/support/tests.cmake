orvane_test(support LIBS orvane_support)
# The update check talks to a real HTTP server on 127.0.0.1.
if(NOT TARGET PkgConfig::HTTPLIB)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()
target_link_libraries(test_support PRIVATE PkgConfig::HTTPLIB PkgConfig::LIBZIP)
target_compile_definitions(test_support PRIVATE ORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
