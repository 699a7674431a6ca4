// Usage answers for people: each parameter with its meaning, its unit and
// its limits, wrapped to the width of the output.
#pragma once

#include <functional>
#include <string>

namespace rkhost {

// The text a usage answer shows for a parameter of an object (empty when
// there is none to add): "param.<object>.<name>", else "param.<name>".
using ParameterText = std::function<std::string(const std::string& object, const std::string& name)>;

// The framework's usage text with every parameter explained: the rows of a
// parameter list get their meaning on the lines below them; the synopsis
// lines and action lists are followed by a list of the parameters they use.
// Lines are wrapped at `width` columns, continuation lines indented.
std::string explainUsage(const std::string& usage, const std::string& object, const ParameterText& describe,
                         size_t width);

// Wraps text at blanks so that no line is longer than width columns (a
// word longer than that stands alone). The text starts at `column`;
// continuation lines start with `indent` blanks.
std::string wrapText(const std::string& text, size_t width, size_t indent = 0, size_t column = 0);

// The columns of the terminal standard output is, or 80 when it is none.
size_t outputWidth();

}  // namespace rkhost
