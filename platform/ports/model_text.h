// A window's text in the window model: UTF-16 units (platform/terminal/utf16.h), read as a
// std::u16string_view. A full log pane lets go of its oldest lines at every trim; letting go
// only moves where the text begins, and the units before it are given back once they are half
// as many as the text's, so a pane that keeps running full moves its text every few trims rather
// than at every one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class ModelText {
 public:
  ModelText() = default;
  ModelText(std::u16string text) : units_(std::move(text)) {}  // NOLINT: a text is a model text
  ModelText& operator=(std::u16string text) {
    units_ = std::move(text);
    start_ = 0;
    return *this;
  }

  std::u16string_view view() const { return std::u16string_view(units_).substr(start_); }
  operator std::u16string_view() const { return view(); }  // NOLINT: read as a view everywhere
  std::size_t size() const { return units_.size() - start_; }
  bool empty() const { return size() == 0; }
  char16_t operator[](std::size_t i) const { return units_[start_ + i]; }

  // Units [position, position + count) give way to `by`.
  void Replace(std::size_t position, std::size_t count, std::u16string_view by) {
    units_.replace(start_ + position, count, by);
  }
  // The first `count` units go.
  void DropFront(std::size_t count) {
    start_ += count;
    if (start_ < size() / 2) return;
    units_.erase(0, start_);
    start_ = 0;
  }

  friend bool operator==(const ModelText& text, std::u16string_view other) {
    return text.view() == other;
  }

 private:
  std::u16string units_;
  std::size_t start_ = 0;  // where the text begins in `units_`
};

}  // namespace platform
