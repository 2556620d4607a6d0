# Small helpers shared by the CMakeLists of the project.

# drw_library(NAME SOURCES... [DEPS libs...])
# A static subsystem library; includes are relative to src/.
function(drw_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# drw_test(NAME SOURCES... [DEPS libs...] [SERIAL])
# A GoogleTest executable whose cases are registered with CTest. Tests run from
# the tests/ source folder so fixture files can be named relative to it.
# SERIAL: its cases never run beside other tests.
function(drw_test name)
  cmake_parse_arguments(ARG "SERIAL" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  # The build's own programs see the build machine's files through DRW_HOST_DRIVE.
  set(source_dir ${DRW_HOST_DRIVE}${PROJECT_SOURCE_DIR})
  set(binary_dir ${DRW_HOST_DRIVE}${PROJECT_BINARY_DIR})
  target_compile_definitions(${name} PRIVATE
    DRW_SOURCE_DIR="${source_dir}" DRW_BINARY_DIR="${binary_dir}")
  set(serial FALSE)
  if(ARG_SERIAL)
    set(serial TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES RUN_SERIAL ${serial})
endfunction()
