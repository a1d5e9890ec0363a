# The installed desktop application, checked with the validators desktops and software centres
# use (scripts/bootstrap installs them). They need the programs and the generated files, so they
# run on a complete build.
add_test(NAME install.installed_files
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installed_files.sh ${CMAKE_BINARY_DIR} ${CMAKE_COMMAND})
set_tests_properties(install.installed_files PROPERTIES LABELS install TIMEOUT 120)
add_test(NAME install.debian_package
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/debian_package.sh ${CMAKE_BINARY_DIR} ${CMAKE_CPACK_COMMAND})
set_tests_properties(install.debian_package PROPERTIES LABELS install TIMEOUT 300)
