# The metafile reader on arbitrary bytes, with load hooks, copies and views.
drw_fuzz_target(fuzz_metafile ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_metafile.cpp drw_meta)
if(DRW_FUZZ)
  # Coverage feedback needs the library instrumented, not only the target.
  target_compile_options(drw_meta PRIVATE -fsanitize=fuzzer-no-link)
endif()
