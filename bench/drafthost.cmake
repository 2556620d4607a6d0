# The drafthost executable end to end: start, import, DXF (included by
# bench/CMakeLists.txt). Run: build/.../bench/bench_drafthost
if(TARGET drafthost AND TARGET drwlink2 AND TARGET benchmark::benchmark)
  add_executable(bench_drafthost ${CMAKE_CURRENT_LIST_DIR}/bench_drafthost.cpp)
  target_link_libraries(bench_drafthost PRIVATE drw_bench_generator benchmark::benchmark)
  target_compile_definitions(bench_drafthost PRIVATE DRW_DRAFTHOST="$<TARGET_FILE:drafthost>"
                             DRW_SETUP_DIR="${PROJECT_SOURCE_DIR}/setup")
  add_dependencies(bench_drafthost drafthost drwlink2)
endif()
