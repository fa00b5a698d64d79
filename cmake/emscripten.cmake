# Compiles for the web with Debian's emscripten package. Its compiler runs
# JavaScript tools that load modules (acorn, among others) from where Debian
# keeps them, which Node.js does not look in by itself: they are named here
# for the configure step and for every compile and link after it.
set(cairn_node_path /usr/share/nodejs)
set(ENV{NODE_PATH} ${cairn_node_path})
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${cairn_node_path})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${cairn_node_path})
