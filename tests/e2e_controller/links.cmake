# The tests run the real programs against states of their own.
add_dependencies(test_e2e_controller rkreport)
if(TARGET kwda)
  add_dependencies(test_e2e_controller kwda)
endif()
target_compile_definitions(test_e2e_controller PRIVATE
  CTRL_E2E_PROFILES="${CMAKE_CURRENT_LIST_DIR}")
