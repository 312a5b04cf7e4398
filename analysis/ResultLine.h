#pragma once
// The line syntax in which every result file is read back.
//
// A line splits into fields at commas. A field may be enclosed in double
// quotes; inside them blanks and commas are text and "" stands for one quote.
// Outside quotes a blank (any character up to and including the space: tab,
// carriage return) ends a field, and the blanks around a comma belong to that
// one separator. So:
//   "105","4.83210"  ->  105 | 4.83210        (the closing quote ends the field)
//   1, 2             ->  1 | 2                (not 1 | empty | 2)
//   1 2              ->  1 | 2
//   1,,2             ->  1 | empty | 2
//   1,               ->  1 | empty            (a comma at the end opens a last, empty field)
//   "a""b",c d       ->  a"b | c | d
//   "4.5"x           ->  4.5 | x               (text after a closing quote starts a new field)
// Blanks at the start and end of the line separate nothing; a blank line has
// no fields. A quote that is never closed takes the rest of the line.
#include <string>
#include <vector>

namespace vk {

std::vector<std::string> splitResultLine(const std::string& line);
// The same into a vector kept by the caller, which saves its allocations
// over the many lines of a path file.
void splitResultLine(const std::string& line, std::vector<std::string>& fields);
// The same rule with another separator: the selection writer splits file
// names at dots by it.
std::vector<std::string> splitDelimited(const std::string& text, char delimiter);

// Field i as an integer or a real. A missing field or one that is not a
// number of that kind is a RunError naming the file and the line ("'x' is not
// a valid integer value", "'x' is not a valid floating point value"). Blanks
// around the number are allowed (a quoted field may hold them).
int intField(const std::vector<std::string>& fields, int i, const std::string& file, int line);
double realField(const std::vector<std::string>& fields, int i, const std::string& file, int line);

// The same conversions for a whole text, such as a typed bound or a line of
// the selection file; `where` names its origin in the message.
int intFromText(const std::string& text, const std::string& where);
double realFromText(const std::string& text, const std::string& where);

}  // namespace vk
