// How the station window looks on any machine: one widget style and one font family, so that its
// layout and reference screenshots do not depend on the desktop it runs on, and the shades that
// tell a pass, a marginal pass and a failure apart wherever they appear (the banner, the phases).
// Sizes are not fixed here: the window scales its text with its own height.
#pragma once

#include <memory>
#include <string>

#include <QColor>
#include <QString>

#include "tools/quorvane-station/operator_desk.h"

class QApplication;
class QWidget;

namespace station {

inline constexpr char kStationFontFamily[] = "DejaVu Sans";

// `argc` and `argv` must outlive the application, as Qt requires.
std::unique_ptr<QApplication> MakeStationApplication(int& argc, char** argv);

enum class Tone { kQuiet, kBusy, kPass, kMarginal, kFail };
struct Shade {
  QColor background;
  QColor text;
};

Shade ShadeOf(Tone tone);
Tone ToneOf(PhaseState state);
Tone ToneOf(VerdictColour colour);

// Gives every button and text field under `root` a height a finger hits surely: about twice
// the text's height, from the font `root` has now.
void MakeTouchable(QWidget& root);

// Text from the plan, the console or the operator as the window shows it (labels take it as plain
// text): at most a few hundred characters, so a runaway line cannot stretch the layout.
QString Displayed(const std::string& text);

}  // namespace station
