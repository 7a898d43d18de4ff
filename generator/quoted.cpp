#include "generator/quoted.h"

#include <cstdint>

namespace pelmora {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned char byte) {
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

// The length of the well-formed UTF-8 sequence at the start of text that encodes a printable
// character (not a C1 control), or 0.
size_t PrintableUtf8Length(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length;
  uint32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  const bool c1 = code >= 0x80 && code <= 0x9F;
  if (overlong || surrogate || c1 || code > 0x10FFFF) return 0;
  return length;
}

// Appends the escaped form of the character at the start of text; returns how many bytes of text
// it took.
size_t AppendEscaped(std::string& out, std::string_view text, char quote) {
  const auto c = static_cast<unsigned char>(text[0]);
  switch (c) {
    case '\r':
      out += "\\r";
      return 1;
    case '\n':
      out += "\\n";
      return 1;
    case '\t':
      out += "\\t";
      return 1;
    case '\\':
      out += "\\\\";
      return 1;
    default:
      break;
  }
  if (quote != 0 && c == static_cast<unsigned char>(quote)) {
    out += '\\';
    out += quote;
    return 1;
  }
  if (c < 0x20 || c == 0x7F) {
    AppendHexByte(out, c);
    return 1;
  }
  if (c < 0x80) {
    out += static_cast<char>(c);
    return 1;
  }
  const size_t length = PrintableUtf8Length(text);
  if (length == 0) {
    AppendHexByte(out, c);
    return 1;
  }
  out.append(text.substr(0, length));
  return length;
}

std::string Escape(std::string_view text, char quote, size_t limit, size_t* taken) {
  std::string out;
  size_t at = 0;
  size_t shown = 0;
  while (at < text.size() && shown < limit) {
    at += AppendEscaped(out, text.substr(at), quote);
    ++shown;
  }
  *taken = at;
  return out;
}

}  // namespace

std::string EscapeText(std::string_view text) {
  size_t taken = 0;
  return Escape(text, 0, text.size(), &taken);
}

std::string QuoteName(std::string_view name) {
  size_t taken = 0;
  return "'" + Escape(name, '\'', name.size(), &taken) + "'";
}

std::string QuoteExcerpt(std::string_view text) {
  size_t taken = 0;
  const std::string shown = Escape(text, '\'', kQuoteLimit, &taken);
  if (taken == text.size()) return "'" + shown + "'";
  return "'" + shown + "...'";
}

}  // namespace pelmora
