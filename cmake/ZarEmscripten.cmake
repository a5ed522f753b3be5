# The core built for WebAssembly with emscripten (`make web`): no desktop, no
# benchmarks, no GoogleTest suites; C++ exceptions as WebAssembly exceptions.
# zar.js runs under node with the real file system.
set(ZAR_BUILD_DESKTOP OFF CACHE BOOL "" FORCE)
set(ZAR_BUILD_BENCH OFF CACHE BOOL "" FORCE)
set(ZAR_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(ZAR_WASM_FLAGS -fwasm-exceptions)

# nlohmann-json is header only: its headers are copied into the build tree,
# so that the toolchain never sees the host's /usr/include.
find_path(ZAR_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT ZAR_NLOHMANN_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp not found (scripts/install-deps installs nlohmann-json3-dev)")
endif()
set(ZAR_NLOHMANN_COPY ${CMAKE_BINARY_DIR}/nlohmann-json)
file(COPY ${ZAR_NLOHMANN_DIR}/nlohmann DESTINATION ${ZAR_NLOHMANN_COPY}/include)
file(WRITE ${ZAR_NLOHMANN_COPY}/nlohmann_jsonConfig.cmake "
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${ZAR_NLOHMANN_COPY}/include)
endif()
")
file(WRITE ${ZAR_NLOHMANN_COPY}/nlohmann_jsonConfigVersion.cmake "
set(PACKAGE_VERSION 3)
set(PACKAGE_VERSION_COMPATIBLE TRUE)
")
set(nlohmann_json_DIR ${ZAR_NLOHMANN_COPY} CACHE PATH "" FORCE)
list(APPEND CMAKE_FIND_ROOT_PATH ${ZAR_NLOHMANN_COPY})
