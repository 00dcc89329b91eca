#include "testing/test_dialog.h"

namespace testing_support {

platform::DialogTemplate TestDialogTemplate(std::wstring caption,
                                            std::vector<platform::DialogItem> items) {
  return {900, std::move(caption), L"MS Shell Dlg", 9, 200, 100, WS_POPUP | WS_CAPTION,
          0,   std::move(items)};
}

platform::DialogTemplate SmallDialogTemplate() {
  using platform::ControlKind;
  return TestDialogTemplate(
      L"test",
      {
          {kEditId, ControlKind::Edit, L"", 5, 5, 100, 80, ES_MULTILINE | ES_READONLY},
          {kRadioA, ControlKind::AutoRadioButton, L"A", 110, 5, 30, 10, BS_AUTORADIOBUTTON},
          {kRadioB, ControlKind::AutoRadioButton, L"B", 110, 20, 30, 10, BS_AUTORADIOBUTTON},
          {-1, ControlKind::GroupBox, L"box", 108, 35, 60, 30, BS_GROUPBOX},
          {kRadioC, ControlKind::AutoRadioButton, L"C", 110, 45, 30, 10, BS_AUTORADIOBUTTON},
          {kButtonId, ControlKind::PushButton, L"push", 150, 5, 40, 14, BS_PUSHBUTTON | WS_TABSTOP},
          {kRadioD, ControlKind::AutoRadioButton, L"D", 110, 70, 30, 10,
           BS_AUTORADIOBUTTON | WS_GROUP},
          {kRadioE, ControlKind::AutoRadioButton, L"E", 110, 85, 30, 10, BS_AUTORADIOBUTTON},
      });
}

LRESULT RecordingProcedure::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back({message, wParam, lParam});
  if (message == WM_SETTEXT || message == WM_GETTEXT || message == WM_GETTEXTLENGTH ||
      message == WM_CLOSE || message == WM_SETICON) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return answer;
}

}  // namespace testing_support
