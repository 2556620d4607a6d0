# A full 2D import of arbitrary metafile bytes into the host library.
drw_fuzz_target(fuzz_import ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_import.cpp drw_transfer drw_plugin_base
                drafthost_core)
target_include_directories(fuzz_import PRIVATE ${PROJECT_SOURCE_DIR}/host)
if(DRW_FUZZ)
  target_compile_options(drw_transfer PRIVATE -fsanitize=fuzzer-no-link)
endif()
