# kvogc edit: the session and its requests join the tool's library; the HTTP
# server comes from Debian's cpp-httplib; the page's files are built in.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(Threads REQUIRED)

set(KVOGC_EDITOR_PAGES index.html editor.css editor.js api.js view.js raster.js controls.js favicon.svg)
set(KVOGC_EDITOR_PAGE_PATHS ${KVOGC_EDITOR_PAGES})
list(TRANSFORM KVOGC_EDITOR_PAGE_PATHS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/web/)
string(REPLACE ";" "," KVOGC_EDITOR_PAGE_LIST "${KVOGC_EDITOR_PAGES}")
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/EditPages.cpp
  COMMAND ${CMAKE_COMMAND} -DDIR=${CMAKE_CURRENT_SOURCE_DIR}/web -DFILES=${KVOGC_EDITOR_PAGE_LIST}
          -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/EditPages.cpp -P ${PROJECT_SOURCE_DIR}/cmake/EmbedPages.cmake
  DEPENDS ${KVOGC_EDITOR_PAGE_PATHS} ${PROJECT_SOURCE_DIR}/cmake/EmbedPages.cmake
  COMMENT "Embedding the editor's page files")
target_sources(kvogc_tool PRIVATE EditApi.cpp EditCommand.cpp EditManager.cpp EditSession.cpp
               ${CMAKE_CURRENT_BINARY_DIR}/EditPages.cpp)
target_link_libraries(kvogc_tool PUBLIC PkgConfig::CPPHTTPLIB Threads::Threads)
