# The configuration-file parser and write-back on arbitrary bytes.
drw_fuzz_target(fuzz_config ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_config.cpp drw_config)
if(DRW_FUZZ)
  # Coverage feedback needs the library instrumented, not only the target.
  target_compile_options(drw_config PRIVATE -fsanitize=fuzzer-no-link)
endif()
