#include "cli/man_page.h"

#include <vector>

namespace pelmora {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Text as roff shows it literally: backslashes and minus signs escaped, no line that starts with
// a control character.
std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
  return out;
}

// The same, for an argument of a macro line, where a double quote would end the argument.
std::string EscapeArgument(std::string_view text) {
  std::string out;
  for (const char c : Escape(text)) {
    if (c == '"') out += "\\(dq";
    else out += c;
  }
  return out;
}

}  // namespace

std::string ManPage(std::string_view help) {
  const std::vector<std::string_view> lines = Lines(help);
  std::string out =
      ".TH PELMORA\\-GEN 1 \"\" \"Pelmora 1.0\" \"User Commands\"\n"
      ".SH NAME\n"
      "pelmora\\-gen \\- generate synthetic spatial datasets of axis\\-aligned boxes\n";
  size_t i = 0;
  if (i < lines.size() && lines[i].starts_with("Usage: ")) {
    out += ".SH SYNOPSIS\n.B pelmora\\-gen\n" + Escape(lines[i].substr(19)) + "\n";
    ++i;
  }
  out += ".SH DESCRIPTION\n";
  for (; i < lines.size() && !lines[i].empty(); ++i) out += Escape(lines[i]) + "\n";
  bool inOptions = false;
  bool inParagraph = false;  // an option's tagged paragraph is open
  for (; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) {
      inParagraph = false;
      continue;
    }
    if (line.starts_with("Exit status:")) {
      out += ".SH EXIT STATUS\n";
      for (; i < lines.size() && !lines[i].empty(); ++i) out += Escape(Trim(lines[i])) + "\n";
      break;
    }
    if (!line.starts_with(" ") && line.ends_with(":")) {
      if (!inOptions) out += ".SH OPTIONS\n";
      inOptions = true;
      out += ".SS " + EscapeArgument(line.substr(0, line.size() - 1)) + "\n";
      continue;
    }
    const std::string_view trimmed = Trim(line);
    const size_t indent = line.size() - Trim(line).size();  // no trailing blanks in the help
    if (trimmed.starts_with("-") && indent <= 6) {
      // "-d, --dimension D        text": the tag ends at the first run of two blanks.
      const size_t gap = trimmed.find("  ");
      const std::string_view tag = trimmed.substr(0, gap);
      out += ".TP\n.B " + EscapeArgument(tag) + "\n";
      if (gap != std::string_view::npos) out += Escape(Trim(trimmed.substr(gap))) + "\n";
      inParagraph = true;
      continue;
    }
    out += (inParagraph ? "" : ".PP\n") + Escape(trimmed) + "\n";
  }
  return out;
}

}  // namespace pelmora
