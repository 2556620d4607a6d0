drw_fuzz_target(fuzz_command_line ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_command_line.cpp drw_platform)
