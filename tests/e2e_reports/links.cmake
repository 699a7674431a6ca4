# Runs the real binaries: they, the plug-in and the agent must be built first.
add_dependencies(test_e2e_reports rkreport kwclp32 kwda)
