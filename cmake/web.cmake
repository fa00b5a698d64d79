# The web page: the game compiled to WebAssembly, with the levels in its own
# file system where the game looks for them, and the page and its terminal
# beside it. Everything the page loads is in the build folder, so any static
# host serves it, and it works offline. cairn.html is the same page as one
# file, which plays when opened straight from the disk.
set(xterm ${CMAKE_SOURCE_DIR}/node_modules/@xterm/xterm)
if(NOT EXISTS ${xterm}/lib/xterm.js)
  message(FATAL_ERROR "The web page needs its terminal: run 'npm ci' in ${CMAKE_SOURCE_DIR}")
endif()

# Asyncify lets getKey wait for the page's keys without a thread; the game's
# end (after its closing key) ends the program, so the page can say so. The
# page reads the levels' names from the game's files.
target_compile_options(cairn_core PUBLIC -Oz)
set(web_options -Oz -sASYNCIFY -sEXIT_RUNTIME=1 -sENVIRONMENT=web -sEXPORTED_RUNTIME_METHODS=FS
  -sINCOMING_MODULE_JS_API=arguments,preRun,print,printErr,onExit,onAbort
  "SHELL:--embed-file ${CMAKE_SOURCE_DIR}/levels@/levels"
  "SHELL:--post-js ${CMAKE_SOURCE_DIR}/web/exit.js")
file(GLOB levels CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/levels/*.txt)
target_link_options(cairn PRIVATE ${web_options})
set_property(TARGET cairn APPEND PROPERTY LINK_DEPENDS ${levels} ${CMAKE_SOURCE_DIR}/web/exit.js)

# The same game with its WebAssembly inside its script, for the page in one file.
add_executable(cairn-single src/main.cpp)
target_link_libraries(cairn-single PRIVATE cairn_core)
target_compile_definitions(cairn-single PRIVATE $<TARGET_PROPERTY:cairn,COMPILE_DEFINITIONS>)
target_link_options(cairn-single PRIVATE ${web_options} -sSINGLE_FILE)
set_property(TARGET cairn-single APPEND PROPERTY LINK_DEPENDS ${levels}
  ${CMAKE_SOURCE_DIR}/web/exit.js)

configure_file(web/index.html index.html COPYONLY)
configure_file(${xterm}/lib/xterm.js xterm.js COPYONLY)
configure_file(${xterm}/css/xterm.css xterm.css COPYONLY)
set(inline ${CMAKE_SOURCE_DIR}/scripts/inline.mjs)
add_custom_command(OUTPUT cairn.html
  COMMAND node ${inline} ${CMAKE_BINARY_DIR} cairn-single.js cairn.html
  DEPENDS ${inline} cairn-single ${CMAKE_SOURCE_DIR}/web/index.html VERBATIM)
add_custom_target(cairn_html ALL DEPENDS cairn.html)
