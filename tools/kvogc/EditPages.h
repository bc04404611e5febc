// The editor page's files, built into the tool so that it needs nothing beside it.
#pragma once

#include <string_view>

namespace kvogc::tool {

struct EmbeddedPage {
  std::string_view path;  ///< "/index.html"
  std::string_view contentType;
  std::string_view content;
};

/// The page file served at `path`, or null.
const EmbeddedPage* FindEmbeddedPage(std::string_view path);

}  // namespace kvogc::tool
