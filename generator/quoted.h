// Showing names and file text in messages so that what the user reads is what is there: nothing
// invisible, nothing the terminal would take as a command, nothing too long to read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pelmora {

// Shows text with every character the eye or the terminal would not show as itself escaped:
// CR, LF and tab as \r, \n, \t; a backslash as \\; other control characters (C0, DEL, C1) and
// bytes that are not UTF-8 as \xHH. Printable UTF-8 stays as it is.
std::string EscapeText(std::string_view text);

// A file name for a message: escaped as EscapeText does, with ' escaped too, in single quotes.
std::string QuoteName(std::string_view name);

// A piece of a file for a message: escaped, at most kQuoteLimit characters of it (then "..."), in
// single quotes.
inline constexpr size_t kQuoteLimit = 80;
std::string QuoteExcerpt(std::string_view text);

}  // namespace pelmora
