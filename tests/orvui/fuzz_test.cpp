// Markup is data that designers edit by hand: whatever arrives, building it
// ends in a tree or in the parser's error message, never in a crash.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "orvui/control/ControlUI.h"
#include "orvui/layout/HorizontalLayoutUI.h"
#include "orvui/layout/TabLayoutUI.h"
#include "orvui/layout/VerticalLayoutUI.h"
#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/DialogBuilder.h"
#include "tests/orvui/test_support.h"

using namespace OrvUI;

namespace {

class SequenceCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(const wchar_t* tag) override {
    if (std::wstring(tag) == L"SequenceLabel") return new CHorizontalLayoutUI();
    return nullptr;
  }
};

std::wstring LoadLayout(const wchar_t* name) {
  const std::vector<unsigned char> bytes = OrvUITest::ReadFileBytes(OrvUITest::SkinFolder() + name);
  const int length = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                                         static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                      static_cast<int>(bytes.size()), &text[0], length);
  return text;
}

std::wstring Mutate(std::wstring text, std::mt19937& random) {
  static const wchar_t kPieces[] = L"<>/=\"&;!?- \r\n#,.0123456789xabcLW\u6807";
  const int steps = 1 + static_cast<int>(random() % 6);
  for (int s = 0; s < steps && !text.empty(); ++s) {
    const size_t at = random() % text.size();
    const size_t span = 1 + random() % std::min<size_t>(40, text.size() - at);
    switch (random() % 6) {
      case 0:
        text.erase(at, span);
        break;
      case 1:
        text.insert(at, text.substr(random() % text.size(), span));
        break;
      case 2:
        text[at] = kPieces[random() % (sizeof(kPieces) / sizeof(wchar_t) - 1)];
        break;
      case 3:
        text.insert(at, 1, kPieces[random() % (sizeof(kPieces) / sizeof(wchar_t) - 1)]);
        break;
      case 4:
        text.resize(at);
        break;
      default:
        std::swap(text[at], text[random() % text.size()]);
        break;
    }
  }
  return text;
}

TEST(Fuzz, MutatedLayoutsBuildOrReportAnError) {
  OrvUITest::UseLooseSkin(OrvUITest::SkinFolder());
  const std::wstring sources[] = {LoadLayout(L"mainWnd.xml"), LoadLayout(L"part\\row.xml")};
  ASSERT_FALSE(sources[0].empty());
  std::mt19937 random(20261211);
  SequenceCallback callback;
  int built = 0;
  int refused = 0;
  for (int run = 0; run < 4000; ++run) {
    const std::wstring markup = Mutate(sources[run % 2], random);
    CManagerUI manager;
    CDialogBuilder builder;
    CControlUI* root = builder.Build(markup.c_str(), nullptr, &callback, &manager);
    if (!builder.Document().IsValid()) {
      ASSERT_NE(builder.ErrorMessage()[0], L'\0') << "run " << run;
      ++refused;
    }
    if (root == nullptr) continue;
    ++built;
    manager.InstallRoot(root);
    root->Place(RECT{0, 0, 600, 400});
    for (int i = 0; i < 3; ++i) {
      if (auto* tabs = static_cast<CTabLayoutUI*>(root->InterfaceFor(L"TabLayout"))) {
        tabs->SelectPage(i);
      }
    }
    manager.InstallRoot(nullptr);
  }
  // Both outcomes must actually occur, or the mutations test nothing.
  EXPECT_GT(built, 100);
  EXPECT_GT(refused, 100);
}

TEST(Fuzz, MalformedNumbersAndColoursNeverBreakAControl) {
  const wchar_t* names[] = {
      L"pos",          L"padding",    L"bkcolor",  L"bordercolor", L"bordersize", L"borderround",
      L"width",        L"height",     L"minwidth", L"maxheight",   L"float",      L"inset",
      L"childpadding", L"selectedid", L"tag",      L"shortcut",    L"bkimage",    L"visible"};
  const wchar_t* values[] = {L"",
                             L",",
                             L",,,,,,,,",
                             L"-",
                             L"#",
                             L"0x",
                             L"#0x",
                             L"1e309",
                             L"-1e309",
                             L"nan",
                             L"99999999999999999999",
                             L"-2147483648,-2147483648,2147483647,2147483647",
                             L"1,2,3,4,5,6,7,8",
                             L" , , , ",
                             L"0.5,",
                             L"#FFFFFFFFFFFF"};
  for (const wchar_t* name : names) {
    for (const wchar_t* value : values) {
      CManagerUI manager;
      CVerticalLayoutUI* root = new CVerticalLayoutUI();
      CTabLayoutUI* tabs = new CTabLayoutUI();
      CControlUI* control = new CControlUI();
      tabs->Add(new CControlUI());
      root->Add(tabs);
      root->Add(control);
      manager.InstallRoot(root);
      control->SetAttr(name, value);
      tabs->SetAttr(name, value);
      root->SetAttr(name, value);
      root->Place(RECT{0, 0, 300, 200});
      EXPECT_GE(control->Rect().right, control->Rect().left);
      EXPECT_GE(control->Rect().bottom, control->Rect().top);
      manager.InstallRoot(nullptr);
    }
  }
}

}  // namespace
