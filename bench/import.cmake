# Importing large metafiles into the host library (included by bench/CMakeLists.txt).
# Run: build/.../bench/bench_import
if(TARGET drw_transfer AND TARGET drafthost_core AND TARGET benchmark::benchmark)
  add_executable(bench_import ${CMAKE_CURRENT_LIST_DIR}/bench_import.cpp)
  target_link_libraries(bench_import PRIVATE drw_plugin drw_transfer drw_plugin_base drafthost_core
                        drw_bench_generator benchmark::benchmark)
  target_include_directories(bench_import PRIVATE ${PROJECT_SOURCE_DIR}/host)
  target_compile_definitions(bench_import PRIVATE DRW_SETUP_DIR="${PROJECT_SOURCE_DIR}/setup")
endif()
