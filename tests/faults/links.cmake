# The sweep reads the plug-in's tables to check that the corpus covers them;
# valgrind runs are skipped in sanitizer builds.
target_link_libraries(test_faults PRIVATE ${CMAKE_DL_LIBS})
if(RK_SANITIZE)
  target_compile_definitions(test_faults PRIVATE RK_SANITIZE_BUILD=1)
else()
  target_compile_definitions(test_faults PRIVATE RK_SANITIZE_BUILD=0)
endif()
add_dependencies(test_faults rkreport)
