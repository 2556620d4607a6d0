# drafthost's .lin reader (the LINETYPE command's load) and the linetype table it writes into DXF.
drw_fuzz_target(fuzz_linetype_file ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_linetype_file.cpp drafthost_core)
target_include_directories(fuzz_linetype_file PRIVATE ${PROJECT_SOURCE_DIR}/host)
