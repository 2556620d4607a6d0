# Segmenting and transforming long curves (included by bench/CMakeLists.txt).
# Run: build/.../bench/bench_m2d
if(TARGET drw_m2d AND TARGET benchmark::benchmark)
  add_executable(bench_m2d ${CMAKE_CURRENT_LIST_DIR}/bench_m2d.cpp)
  target_link_libraries(bench_m2d PRIVATE drw_m2d benchmark::benchmark)
endif()
