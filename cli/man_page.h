// The pelmora-gen(1) manual page, made from the --help text so the two never disagree.
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// Turns the help text into a roff man page: the usage line becomes the synopsis, the first
// paragraph the description, each "Heading:" a subsection of OPTIONS, each option line (indented
// by at most six blanks) a tagged paragraph with its continuation lines (indented further), and
// a last paragraph that starts "Exit status:" the EXIT STATUS section.
std::string ManPage(std::string_view help);

}  // namespace pelmora
