target_link_libraries(test_controller PRIVATE kwclp32)
# The availability mechanism is internal to the plug-in (hidden symbols);
# its tests compile it in directly, on top of the plug-in's exported lookups.
target_sources(test_controller PRIVATE
  ${CMAKE_SOURCE_DIR}/plugin/kwsup/availability.cpp
  ${CMAKE_SOURCE_DIR}/plugin/kwsup/agent.cpp)
