# The tests run the real programs against states of their own.
add_dependencies(test_e2e_devices rkreport)
if(TARGET kwda)
  add_dependencies(test_e2e_devices kwda)
endif()
