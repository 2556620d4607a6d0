# What a cross build takes from the build machine's Debian packages.

# nlohmann_json is header-only, but its package configuration puts
# -isystem /usr/include into every compile, which mixes the build machine's
# system headers into the cross build: use a copy of its headers alone.
find_path(DRW_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(DRW_NLOHMANN_INCLUDE)
  file(COPY ${DRW_NLOHMANN_INCLUDE}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  target_include_directories(nlohmann_json::nlohmann_json
                             INTERFACE ${CMAKE_BINARY_DIR}/third_party/include)
endif()

# GoogleTest has no cross-built package: build it from its sources with the
# same toolchain.
if(DRW_TESTS AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(lib gtest gtest_main gmock)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
endif()
