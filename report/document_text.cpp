#include "report/document_text.h"

#include <array>
#include <cstdint>

namespace sonavel {

namespace {

std::string xml_escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// UTF-8 to Latin-1, as a PNG text chunk must hold.
std::string latin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      out += code < 0x100 ? static_cast<char>(code) : '?';
      i += 2;
    } else {
      out += '?';
      ++i;
      while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

// The CRC the PNG format puts after each chunk, over its type and data.
std::uint32_t png_crc(const std::string& bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (char b : bytes) c = table[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void put_be32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

}  // namespace

std::string svg_with_text(const std::string& svg, const std::string& title,
                          const std::string& description) {
  const std::size_t root = svg.find("<svg");
  const std::size_t open_end = root == std::string::npos ? root : svg.find('>', root);
  if (open_end == std::string::npos) return svg;
  return svg.substr(0, open_end + 1) + "\n<title>" + xml_escaped(title) + "</title>\n<desc>" +
         xml_escaped(description) + "</desc>" + svg.substr(open_end + 1);
}

std::string png_with_text(const std::string& png,
                          const std::vector<std::pair<std::string, std::string>>& texts) {
  // The signature (8 bytes), then the header chunk: length, "IHDR", 13 bytes
  // of data and the CRC.
  constexpr std::size_t headerEnd = 8 + 4 + 4 + 13 + 4;
  if (png.size() < headerEnd || png.compare(12, 4, "IHDR") != 0) return png;
  std::string chunks;
  for (const auto& [keyword, text] : texts) {
    const std::string body = "tEXt" + keyword + '\0' + latin1(text);
    put_be32(chunks, static_cast<std::uint32_t>(body.size() - 4));
    chunks += body;
    put_be32(chunks, png_crc(body));
  }
  return png.substr(0, headerEnd) + chunks + png.substr(headerEnd);
}

}  // namespace sonavel
