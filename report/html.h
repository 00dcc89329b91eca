// The pieces every page of the report is made of: texts escaped for HTML (a unit's serial number,
// a plan's name and a measurement's text come from outside and may hold anything), a file's name
// made safe for an href, and the page's frame: its head with the one inline style block, its
// heading and the way back to the overview. No page loads anything: no script, no font, no
// picture from elsewhere, so a report opens from a file share on a machine without a network.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace report {

// `text` for an element's content or a quoted attribute: & < > " ' as references, and a control
// byte (but tab and line feed) as U+FFFD, since HTML has no way to show one.
std::string Escape(std::string_view text);

// A relative path for an href or src: every byte outside A-Z a-z 0-9 - . _ ~ / as %XX, so that
// a file named with "%" or "#" is the file the browser opens.
std::string Href(std::string_view path);

// The page up to its content: the style, `title` as the title and the heading, and, with a
// `root` ("../" for the pages in a folder), a link back to the overview.
std::string PageStart(std::string_view title, std::optional<std::string_view> root);
std::string PageEnd();

// `value` with `decimals` digits after the point; "-" for nothing.
std::string Fixed(std::optional<double> value, int decimals);
// `value` to six significant digits, as a measured value is shown; "-" for nothing.
std::string Number(std::optional<double> value);
// A share as a percentage with one decimal, "97.5 %".
std::string Percent(double share);

}  // namespace report
