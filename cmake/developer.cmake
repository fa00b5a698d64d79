# For the game's developers: the warning set (CAIRN_WARNINGS, which the dev,
# sanitize and windows presets turn on), fuzzing (CAIRN_FUZZ), and, once the
# targets exist, the tests, the fuzz target and the benchmarks. A build of the game alone needs
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
    developer_tests()
  endif()
  if(CAIRN_FUZZ)
    # The fuzz target; the whole build is instrumented when CAIRN_FUZZ is on.
    add_executable(FuzzGame tests/fuzz/FuzzGame.cpp)
    target_link_libraries(FuzzGame PRIVATE cairn_core)
    target_link_options(FuzzGame PRIVATE -fsanitize=fuzzer)
  endif()
endmacro()

# The test suite, as ctest runs it.
macro(developer_tests)
  include(GoogleTest)
  # The key decoders and the board's checks, called directly.
  add_executable(cairn_tests tests/CoreTest.cpp)
  target_link_libraries(cairn_tests PRIVATE cairn_core GTest::gtest_main)
  gtest_discover_tests(cairn_tests)

  # The game and the level author's tools end to end, the level pack, every
  # way out of the game on a pseudo-terminal, and every command output the
  # documents show.
  set(tests ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME game
    COMMAND python3 ${tests}/game.py $<TARGET_FILE:cairn> $<TARGET_FILE:cairn-check>)
  add_test(NAME pack
    COMMAND python3 ${tests}/pack.py $<TARGET_FILE:cairn-check> $<TARGET_FILE:cairn-gen>)
  add_test(NAME terminal COMMAND python3 ${tests}/terminal.py $<TARGET_FILE:cairn>)
  add_test(NAME docs COMMAND python3 ${tests}/docs.py $<TARGET_FILE_DIR:cairn>)

  # The web page in headless Chromium, against the game built here. It needs
  # build-web/ and the npm packages, which ./run-tests provides.
  option(CAIRN_WEB_TESTS "The browser test, on build-web/" OFF)
  if(CAIRN_WEB_TESTS)
    add_test(NAME web.browser COMMAND node ${tests}/web/browser.test.mjs
      ${CMAKE_SOURCE_DIR}/build-web ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/tests/web)
  endif()

  # Every file of dist/, which ./release makes and ./run-tests makes first.
  option(CAIRN_RELEASE_TESTS "The release test, on dist/" OFF)
  if(CAIRN_RELEASE_TESTS)
    add_test(NAME release
      COMMAND bash ${tests}/release.sh ${CMAKE_SOURCE_DIR}/dist ${CMAKE_BINARY_DIR})
  endif()
endmacro()
