# The web page: the game compiled to WebAssembly, with the levels in its own
# file system where the game looks for them, and the page and its terminal
# beside it. Everything the page loads is in the build folder, so any static
# host serves it, and it works offline.
set(xterm ${CMAKE_SOURCE_DIR}/node_modules/@xterm/xterm)
if(NOT EXISTS ${xterm}/lib/xterm.js)
  message(FATAL_ERROR "The web page needs its terminal: run 'npm ci' in ${CMAKE_SOURCE_DIR}")
endif()

# Asyncify lets getKey wait for the page's keys without a thread; the game's
# end (after its closing key) ends the program, so the page can say so.
target_compile_options(cairn_core PUBLIC -Oz)
target_link_options(cairn PRIVATE -Oz -sASYNCIFY -sEXIT_RUNTIME=1 -sENVIRONMENT=web
  -sINCOMING_MODULE_JS_API=arguments,preRun,print,printErr,onExit,onAbort
  "SHELL:--embed-file ${CMAKE_SOURCE_DIR}/levels@/levels"
  "SHELL:--post-js ${CMAKE_SOURCE_DIR}/web/exit.js")
file(GLOB levels CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/levels/*.txt)
set_property(TARGET cairn APPEND PROPERTY LINK_DEPENDS ${levels} ${CMAKE_SOURCE_DIR}/web/exit.js)

configure_file(web/index.html index.html COPYONLY)
configure_file(${xterm}/lib/xterm.js xterm.js COPYONLY)
configure_file(${xterm}/css/xterm.css xterm.css COPYONLY)
