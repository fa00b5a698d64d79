# For the game's developers: the warning set (CAIRN_WARNINGS, which the dev,
# sanitize and windows presets turn on), fuzzing (CAIRN_FUZZ), and, once the
# targets exist, the tests and the benchmarks. A build of the game alone needs
# none of it, only a compiler.
option(CAIRN_WARNINGS "Compile with the warnings the project keeps clean" OFF)
if(CAIRN_WARNINGS)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion)
  elseif(MSVC)
    add_compile_options(/W4)
  endif()
endif()

option(CAIRN_FUZZ "Build the fuzz targets (clang only), instrumenting everything" OFF)
if(CAIRN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# The tests are set up when GoogleTest is there, and CAIRN_DEVELOPER insists
# on it; the benchmarks when Google Benchmark is.
option(CAIRN_DEVELOPER "Set up the tests, and stop when GoogleTest is missing" OFF)

macro(developer_targets)
  # Benchmarks, when Google Benchmark is installed; not part of the test suite.
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(cairn-bench tools/cairn-bench.cpp)
    target_link_libraries(cairn-bench PRIVATE cairn_core benchmark::benchmark)
  endif()
  find_package(GTest QUIET)
  if(CAIRN_DEVELOPER AND NOT GTest_FOUND)
    message(FATAL_ERROR "The tests need GoogleTest: install the Debian package libgtest-dev")
  endif()
  if(GTest_FOUND)
    enable_testing()
    add_subdirectory(tests)
  endif()
  if(CAIRN_FUZZ)
    add_subdirectory(tests/fuzz)
  endif()
endmacro()
