target_link_libraries(test_e2e_host PRIVATE rkhost PkgConfig::LIBXML2)
# The tests run the real programs and install the build tree.
add_dependencies(test_e2e_host rkreport)
if(TARGET kwda)
  add_dependencies(test_e2e_host kwda)
endif()
target_compile_definitions(test_e2e_host PRIVATE RK_CMAKE_COMMAND="${CMAKE_COMMAND}")
# forkpty: --wait on a pseudo-terminal.
target_link_libraries(test_e2e_host PRIVATE util)
