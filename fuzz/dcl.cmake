# drafthost's DCL reader and dialog engine, driven by dialog script lines.
drw_fuzz_target(fuzz_dcl ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_dcl.cpp drafthost_core)
target_include_directories(fuzz_dcl PRIVATE ${PROJECT_SOURCE_DIR}/host)
