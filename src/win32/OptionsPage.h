#pragma once

#include "win32/Dialog.h"

// One tab of the options dialog: a child dialog whose controls' commands go on to the
// options dialog, so the dialog handles them as if they were its own.
class OptionsPage : public Dialog {
 public:
  explicit OptionsPage(int templateId) : Dialog(templateId) {}

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
