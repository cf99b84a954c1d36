#pragma once
#include <gtest/gtest.h>

#include "app/module.h"
#include "fake/fake_platform.h"
#include "ui/frm_main.h"

// A form whose menu was built from the modes the fake driver lists, as start-up builds it.
// Default listing: 640x480 and 1024x768 at 16 bits, 800x600 at 32 bits and 60/75 Hz, plus modes the
// catalogue drops. Menu: 0 640x480x16, 1 1024x768x16, 2 "-", 3 800x600x32, CommandBase 4.
class FormTest : public testing::Test {
 protected:
  FakePlatform fake;
  frmMain form{fake.platform()};

  void SetUp() override {
    fake.display.modes = {Mode(1024, 768, 16), Mode(640, 400, 16), Mode(800, 600, 32, 60), Mode(640, 480, 16),
                          Mode(800, 600, 32, 75), Mode(1024, 768, 4)};
    fake.display.current = Mode(800, 600, 32);
  }

  void Build() {
    form.Tray().Init(fake.runtime.hWnd, fake.runtime.miniIcon, u"Velmora", 1);
    form.BuildModeMenu();
  }

  std::u16string Tip() {
    const std::u16string tip = form.Tray().ToolTipText();
    return tip.substr(0, tip.find(u'\0'));
  }

  std::vector<int16_t> Ticked() {
    std::vector<int16_t> out;
    for (int16_t i = 0; i <= form.mnuDisplayMode.UBound(); ++i)
      if (form.mnuDisplayMode.Checked(i)) out.push_back(i);
    return out;
  }
};
