target_link_libraries(test_plugin PRIVATE kwclp32 ${CMAKE_DL_LIBS})
