# Configuration files with many items and blocks (included by bench/CMakeLists.txt).
# Run: build/.../bench/bench_config
if(TARGET drw_config AND TARGET benchmark::benchmark)
  add_executable(bench_config ${CMAKE_CURRENT_LIST_DIR}/bench_config.cpp)
  target_link_libraries(bench_config PRIVATE drw_config benchmark::benchmark)
endif()
