# Writes OUTPUT, a C++ source holding the files given in FILES (relative to
# DIR) as byte arrays, with the lookup EditPages.h declares. Run with cmake -P
# at build time so that editing a page file rebuilds the tool.
string(REPLACE "," ";" files "${FILES}")
set(arrays "")
set(table "")
set(index 0)
foreach(name IN LISTS files)
  file(READ "${DIR}/${name}" bytes HEX)
  string(LENGTH "${bytes}" hexLength)
  math(EXPR length "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
  string(APPEND arrays "constexpr char kPage${index}[] = {${bytes} 0};\n")
  if(name MATCHES "\\.html$")
    set(type "text/html; charset=utf-8")
  elseif(name MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  elseif(name MATCHES "\\.js$")
    set(type "text/javascript; charset=utf-8")
  elseif(name MATCHES "\\.svg$")
    set(type "image/svg+xml")
  else()
    set(type "application/octet-stream")
  endif()
  string(APPEND table "    {\"/${name}\", \"${type}\", std::string_view(kPage${index}, ${length})},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from the editor's page files; do not edit.
#include \"EditPages.h\"

#include <array>

namespace kvogc::tool {

namespace {
${arrays}
const EmbeddedPage kPages[] = {
${table}};

}  // namespace

const EmbeddedPage* FindEmbeddedPage(std::string_view path) {
  for (const EmbeddedPage& page : kPages) {
    if (page.path == path) return &page;
  }
  return nullptr;
}

}  // namespace kvogc::tool
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
