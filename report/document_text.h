// Text a saved audiogram carries for programs that read it, beside what it
// shows: an SVG's title and description elements, and a PNG's text chunks.
// (A PDF's document information is cairo's own.)
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sonavel {

// The SVG document svg with <title> and <desc> elements first inside its root
// element, their text escaped for XML; svg unchanged when it has no root.
std::string svg_with_text(const std::string& svg, const std::string& title,
                          const std::string& description);

// The PNG file png with a tEXt chunk for each of texts (keyword, text) after
// its header chunk; png unchanged when it has no header chunk. The texts are
// Latin-1 in the format's own rules: characters beyond it become '?'.
std::string png_with_text(const std::string& png,
                          const std::vector<std::pair<std::string, std::string>>& texts);

}  // namespace sonavel
