# Answers in the xml format are checked with libxml2; the binaries under test
# are built first.
target_link_libraries(test_hostile PRIVATE PkgConfig::LIBXML2)
add_dependencies(test_hostile rkreport)
