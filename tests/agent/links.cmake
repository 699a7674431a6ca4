target_link_libraries(test_agent PRIVATE kwda PkgConfig::LIBXML2)
