# The state tests check the state file with SQLite itself and build
# foreign databases with it; the binaries under test are built first.
target_link_libraries(test_state PRIVATE PkgConfig::SQLITE3)
add_dependencies(test_state rkreport)
