# A tiny data agent for the data-bridge tests (lib/librkecho.so, next to the
# data bridge, so it is found by the bridge's own-folder rule).
add_library(rk_echo_agent SHARED ${CMAKE_CURRENT_LIST_DIR}/echoagent/echo_agent.cpp)
set_target_properties(rk_echo_agent PROPERTIES OUTPUT_NAME rkecho)
target_link_libraries(rk_echo_agent PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(test_platform rk_echo_agent)
target_compile_definitions(test_platform PRIVATE RK_ECHO_AGENT="$<TARGET_FILE:rk_echo_agent>")
target_link_libraries(test_platform PRIVATE ${CMAKE_DL_LIBS})
