target_link_libraries(test_host PRIVATE rkhost)
