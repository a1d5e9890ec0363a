orvane_test(app_support LIBS orvane_gui Qt6::Test)
# The update window is tested against a real HTTP server on 127.0.0.1.
if(NOT TARGET PkgConfig::HTTPLIB)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()
target_link_libraries(test_app_support PRIVATE PkgConfig::HTTPLIB PkgConfig::LIBZIP)
set_target_properties(test_app_support PROPERTIES AUTOMOC ON)
