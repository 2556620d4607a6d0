# Writing large drawings as DXF (included by bench/CMakeLists.txt).
# Run: build/.../bench/bench_dxf   (DRW_BENCH_KEEP_DXF=DIR keeps the files for
# bench/ezdxf_reference.py)
if(TARGET drw_transfer AND TARGET drafthost_core AND TARGET benchmark::benchmark)
  add_executable(bench_dxf ${CMAKE_CURRENT_LIST_DIR}/bench_dxf.cpp)
  target_link_libraries(bench_dxf PRIVATE drw_plugin drw_transfer drw_plugin_base drafthost_core
                        drw_bench_generator benchmark::benchmark)
  target_include_directories(bench_dxf PRIVATE ${PROJECT_SOURCE_DIR}/host)
  target_compile_definitions(bench_dxf PRIVATE DRW_SETUP_DIR="${PROJECT_SOURCE_DIR}/setup")
endif()
