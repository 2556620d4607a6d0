# drafthost's script reader and command line, with a small stand-in plug-in.
drw_fuzz_target(fuzz_script ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_script.cpp drafthost_core)
target_include_directories(fuzz_script PRIVATE ${PROJECT_SOURCE_DIR}/host)
