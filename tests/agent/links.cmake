target_link_libraries(test_agent PRIVATE kwda PkgConfig::LIBXML2 PkgConfig::SQLITE3)
# The reply escaping is tested on its own, from its source.
target_sources(test_agent PRIVATE ${CMAKE_SOURCE_DIR}/agent/reply.cpp)
# So is the choice of the default state file.
target_sources(test_agent PRIVATE ${CMAKE_SOURCE_DIR}/agent/environment.cpp ${CMAKE_SOURCE_DIR}/agent/request.cpp)
target_include_directories(test_agent PRIVATE ${CMAKE_SOURCE_DIR}/agent)
target_compile_definitions(test_agent PRIVATE AGENT_CASES="${CMAKE_CURRENT_LIST_DIR}/cases")
