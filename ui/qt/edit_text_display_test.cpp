#include "ui/qt/edit_text_display.h"

#include <gtest/gtest.h>

namespace {

TEST(EditTextDisplayTest, EveryCharacterKeepsItsPositionAndOnlyLineEndsBreakLines) {
  const std::wstring text = L"a\r\nb\nc\rd\t";
  const QString shown = ui::ShownCharacters(text);
  EXPECT_EQ(shown, QString::fromUtf8("a\u200B\nb\nc\nd\t"));
  EXPECT_EQ(static_cast<std::size_t>(shown.size()), text.size());
  // A range is shown with its neighbours in mind: the "\r" before a "\n" that follows it.
  EXPECT_EQ(ui::ShownCharacters(text, 1, 2), QString(QChar(u'\u200B')));
  EXPECT_TRUE(ui::ShownFormDependsOnNext(text, 1));
  EXPECT_FALSE(ui::ShownFormDependsOnNext(text, 2));
}

TEST(EditTextDisplayTest, WhatAQtStringCannotHoldAsOneUnitIsShownAsTheReplacementCharacter) {
  // Beyond the basic plane, a lone surrogate, a byte widened with its sign (as received serial
  // data can be), and the characters Qt's document keeps for itself.
  const std::wstring text = {L'x', static_cast<wchar_t>(0x1F600), static_cast<wchar_t>(0xD800),
                             static_cast<wchar_t>(0xFFFFFF80), static_cast<wchar_t>(0xFDD0), L'y'};
  EXPECT_EQ(ui::ShownCharacters(text), QString::fromUtf8("x\uFFFD\uFFFD\uFFFD\uFFFDy"));
}

}  // namespace
