# drafthost's SAT reader (_acisin) and the ACIS text it writes into DXF.
drw_fuzz_target(fuzz_sat ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_sat.cpp drafthost_core)
target_include_directories(fuzz_sat PRIVATE ${PROJECT_SOURCE_DIR}/host)
