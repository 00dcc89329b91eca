// Where each page of the report lies, relative to the report's folder: index.html, and a file per
// unit in units/ and per measurement in measurements/, named as the run's records are (each byte
// outside A-Z a-z 0-9 - . as %XX), so that two units never share a page and any serial number is
// a safe name. A name that would be too long for a file keeps its first 120 bytes and adds "~"
// and a digest of the whole (the encoding never writes "~" itself, so it stays one to one).
#pragma once

#include <string>
#include <string_view>

namespace report {

inline constexpr const char* kOverviewPage = "index.html";

std::string UnitPage(std::string_view unit);
std::string MeasurementPage(std::string_view name);

}  // namespace report
