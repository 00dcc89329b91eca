// The ids a plan may address: every control of the console's dialog template and every entry of
// its command table (the dialog's own and the framework's OK and Cancel). The lists are written
// when the tool is built, by a program that reads the console's own template and table
// (app/console_ids_generator.cpp), so they never drift from the console and a plan is checked
// against them before anything runs, with no console needed.
#pragma once

#include <cstdint>

namespace plan {

// A click on `id` reaches a control or a command table entry.
bool IsConsoleCommandId(std::int64_t id);
// `id` is a control of the dialog (typing and selections go to controls alone).
bool IsConsoleControlId(std::int64_t id);

}  // namespace plan
