# Writing large drawings as DXF, ours and dxflib's (included by
# bench/CMakeLists.txt).
# Run: build/.../bench/bench_dxf   (DRW_BENCH_KEEP_DXF=DIR keeps the files for
# bench/ezdxf_reference.py)
find_path(DXFLIB_INCLUDE_DIR dxflib/dl_dxf.h)
find_library(DXFLIB_LIBRARY dxflib)
if(NOT DXFLIB_INCLUDE_DIR OR NOT DXFLIB_LIBRARY)
  message(STATUS "bench: dxflib missing (libdxflib-dev); bench_dxf skipped")
elseif(TARGET drw_transfer AND TARGET drafthost_core AND TARGET benchmark::benchmark)
  add_executable(bench_dxf ${CMAKE_CURRENT_LIST_DIR}/bench_dxf.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/dxflib_reference.cpp)
  target_link_libraries(bench_dxf PRIVATE drw_plugin drw_transfer drw_plugin_base drafthost_core
                        drw_bench_generator benchmark::benchmark ${DXFLIB_LIBRARY})
  # dxflib's headers are not warning-clean.
  target_include_directories(bench_dxf SYSTEM PRIVATE ${DXFLIB_INCLUDE_DIR})
  target_include_directories(bench_dxf PRIVATE ${PROJECT_SOURCE_DIR}/host)
  target_compile_definitions(bench_dxf PRIVATE DRW_SETUP_DIR="${PROJECT_SOURCE_DIR}/setup")
endif()
