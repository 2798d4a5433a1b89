#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "orvui/control/ControlUI.h"
#include "orvui/layout/TabLayoutUI.h"
#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/DialogBuilder.h"

using namespace OrvUI;

namespace {

CControlUI* MatchName(CControlUI* control, void* data) {
  return control->Name() == static_cast<const wchar_t*>(data) ? control : nullptr;
}

CControlUI* Find(CControlUI* root, const wchar_t* name) {
  return root->Search(MatchName, const_cast<wchar_t*>(name), 0);
}

struct Expected {
  const wchar_t* name;
  RECT rect;
};

struct LayoutCase {
  const char* title;
  const wchar_t* markup;
  RECT root;
  std::vector<Expected> expected;
};

void ExpectRect(const RECT& actual, const RECT& expected, const wchar_t* name) {
  EXPECT_TRUE(EqualRect(&actual, &expected) != FALSE)
      << std::string(name, name + wcslen(name)) << ": got " << actual.left << "," << actual.top
      << "," << actual.right << "," << actual.bottom << " expected " << expected.left << ","
      << expected.top << "," << expected.right << "," << expected.bottom;
}

TEST(Layout, PlacesChildrenToThePixel) {
  const std::vector<LayoutCase> cases = {
      {"599-pixel row: the remainder goes to the last stretch child",
       L"<HorizontalLayout><Control name=\"a\"/><Control name=\"b\" width=\"200\"/>"
       L"<Control name=\"c\"/></HorizontalLayout>",
       {0, 0, 599, 30},
       {{L"a", {0, 0, 199, 30}}, {L"b", {199, 0, 399, 30}}, {L"c", {399, 0, 599, 30}}}},
      {"353-pixel content page",
       L"<VerticalLayout><Control name=\"h59\" height=\"59\"/><Control name=\"h60\" height=\"60\"/>"
       L"<Control name=\"h50\" height=\"50\"/><Control name=\"s\"/>"
       L"<Control name=\"h46\" height=\"46\"/><Control name=\"h32\" height=\"32\"/>"
       L"<Control name=\"h4\" height=\"4\"/><Control name=\"h18\" height=\"18\"/>"
       L"<Control name=\"h20\" height=\"20\"/></VerticalLayout>",
       {0, 0, 400, 353},
       {{L"h50", {0, 119, 400, 169}},
        {L"s", {0, 169, 400, 233}},
        {L"h46", {0, 233, 400, 279}},
        {L"h20", {0, 333, 400, 353}}}},
      {"overfull row: stretch children get nothing but their min width",
       L"<HorizontalLayout><Control name=\"a\" width=\"80\"/><Control name=\"b\" width=\"50\"/>"
       L"<Control name=\"c\" minwidth=\"5\"/><Control name=\"d\"/></HorizontalLayout>",
       {0, 0, 100, 10},
       {{L"a", {0, 0, 80, 10}},
        {L"b", {80, 0, 130, 10}},
        {L"c", {130, 0, 135, 10}},
        {L"d", {135, 0, 135, 10}}}},
      {"left padding shifts the child and counts against the share",
       L"<HorizontalLayout><Control name=\"a\" padding=\"10,0,0,0\"/>"
       L"<Control name=\"b\" width=\"100\"/></HorizontalLayout>",
       {0, 0, 300, 20},
       {{L"a", {10, 0, 200, 20}}, {L"b", {200, 0, 300, 20}}}},
      {"child padding and vertical padding in a column",
       L"<VerticalLayout childpadding=\"5\" inset=\"2,3,4,5\"><Control name=\"a\" height=\"10\"/>"
       L"<Control name=\"b\" padding=\"1,2,3,4\"/><Control name=\"c\" "
       L"height=\"10\"/></VerticalLayout>",
       {0, 0, 100, 100},
       {{L"a", {2, 3, 96, 13}}, {L"b", {3, 20, 93, 76}}, {L"c", {2, 85, 96, 95}}}},
      {"centring in a column: odd widths reach one pixel further right",
       L"<VerticalLayout childalign=\"center\"><Control name=\"odd\" width=\"11\" height=\"10\"/>"
       L"<Control name=\"full\" height=\"10\"/><Control name=\"even\" width=\"20\" height=\"10\"/>"
       L"</VerticalLayout>",
       {0, 0, 101, 50},
       {{L"odd", {45, 0, 56, 10}}, {L"full", {0, 10, 101, 20}}, {L"even", {40, 20, 60, 30}}}},
      {"right alignment keeps the right padding",
       L"<VerticalLayout childalign=\"right\"><Control name=\"r\" width=\"30\" height=\"10\" "
       L"padding=\"0,0,7,0\"/></VerticalLayout>",
       {10, 10, 110, 60},
       {{L"r", {73, 10, 103, 20}}}},
      {"vertical alignment in a row",
       L"<HorizontalLayout childvalign=\"vcenter\"><Control name=\"c\" width=\"10\" height=\"11\"/>"
       L"<Control name=\"tall\" width=\"10\"/></HorizontalLayout>",
       {0, 0, 100, 31},
       {{L"c", {0, 10, 10, 21}}, {L"tall", {10, 0, 20, 31}}}},
      {"bottom alignment in a row",
       L"<HorizontalLayout childvalign=\"bottom\"><Control name=\"c\" width=\"10\" height=\"11\" "
       L"padding=\"0,0,0,2\"/></HorizontalLayout>",
       {0, 0, 100, 31},
       {{L"c", {0, 18, 10, 29}}}},
      {"floating children ignore their siblings",
       L"<VerticalLayout><Control name=\"x\" height=\"30\"/>"
       L"<Control name=\"f\" float=\"true\" pos=\"10,10,40,30\"/>"
       L"<Control name=\"half\" float=\"0.5,0,0.5,0\" pos=\"0,0,20,10\"/>"
       L"<Control name=\"y\"/></VerticalLayout>",
       {50, 20, 250, 120},
       {{L"x", {50, 20, 250, 50}},
        {L"f", {60, 30, 90, 50}},
        {L"half", {150, 20, 170, 30}},
        {L"y", {50, 50, 250, 120}}}},
      {"min and max sizes bound stretch children",
       L"<HorizontalLayout><Control name=\"a\" maxwidth=\"30\"/><Control name=\"b\"/>"
       L"<Control name=\"c\" minheight=\"40\" maxheight=\"5\"/></HorizontalLayout>",
       {0, 0, 90, 20},
       {{L"a", {0, 0, 30, 20}}, {L"b", {30, 0, 60, 20}}, {L"c", {60, 0, 90, 40}}}},
      {"a plain container stacks its children on its inner rectangle",
       L"<Container inset=\"1,1,1,1\"><Control name=\"a\" width=\"5\"/>"
       L"<Control name=\"b\" maxwidth=\"20\" maxheight=\"8\"/></Container>",
       {0, 0, 50, 30},
       {{L"a", {1, 1, 49, 29}}, {L"b", {1, 1, 21, 9}}}},
      {"the selected tab page fills the inner rectangle",
       L"<TabLayout inset=\"10,10,10,10\"><VerticalLayout name=\"p0\"/>"
       L"<VerticalLayout name=\"p1\"/></TabLayout>",
       {0, 0, 300, 200},
       {{L"p0", {10, 10, 290, 190}}, {L"p1", {0, 0, 0, 0}}}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.title);
    CDialogBuilder builder;
    const std::wstring markup = std::wstring(L"<Window>") + c.markup + L"</Window>";
    CControlUI* root = builder.Build(markup.c_str(), nullptr, nullptr, nullptr);
    ASSERT_NE(root, nullptr) << builder.ErrorMessage();
    root->Place(c.root, false);
    for (const Expected& e : c.expected) {
      CControlUI* control = Find(root, e.name);
      ASSERT_NE(control, nullptr);
      ExpectRect(control->Rect(), e.rect, e.name);
    }
    root->Destroy();
  }
}

class Recorder : public INotifyUI {
 public:
  void OnNotify(NotifyMsg& msg) override { seen.push_back(msg); }
  std::vector<NotifyMsg> seen;
};

// A page that takes part in tab order, standing in for a button.
class TabStop : public CControlUI {
 public:
  unsigned Flags() const override { return FlagTabStop; }
};

TEST(Layout, TabPagesSelectFocusAndNotify) {
  CManagerUI manager;
  Recorder recorder;
  manager.AddNotifyTarget(&recorder);
  CDialogBuilder builder;
  CControlUI* root = builder.Build(
      L"<Window><VerticalLayout><TabLayout name=\"tabs\"><VerticalLayout name=\"p0\"/>"
      L"<VerticalLayout name=\"p1\"/><VerticalLayout name=\"p2\"/></TabLayout></VerticalLayout>"
      L"</Window>",
      nullptr, nullptr, nullptr);
  ASSERT_NE(root, nullptr);
  manager.InstallRoot(root);
  CTabLayoutUI* tabs = static_cast<CTabLayoutUI*>(manager.ControlByName(L"tabs"));
  ASSERT_NE(tabs, nullptr);
  CControlUI* pages[3] = {manager.ControlByName(L"p0"), manager.ControlByName(L"p1"),
                          manager.ControlByName(L"p2")};
  TabStop* button = new TabStop();
  static_cast<CContainerUI*>(pages[2])->Add(button);

  EXPECT_EQ(tabs->SelectedPage(), 0);
  EXPECT_TRUE(pages[0]->IsVisible());
  EXPECT_FALSE(pages[1]->IsVisible());
  EXPECT_FALSE(pages[2]->IsVisible());
  EXPECT_FALSE(button->IsVisible());

  recorder.seen.clear();
  ASSERT_TRUE(tabs->SelectPage(2));
  EXPECT_FALSE(pages[0]->IsVisible());
  EXPECT_FALSE(pages[1]->IsVisible());
  EXPECT_TRUE(pages[2]->IsVisible());
  EXPECT_TRUE(button->IsVisible());
  EXPECT_EQ(manager.FocusedControl(), pages[2]);
  // The move to the first tab stop waits for the pending layout.
  EXPECT_TRUE(manager.IsFocusNeeded());
  ASSERT_FALSE(recorder.seen.empty());
  const NotifyMsg& last = recorder.seen.back();
  EXPECT_EQ(last.type, L"tabselect");
  EXPECT_EQ(last.sender, tabs);
  EXPECT_EQ(last.wParam, 2u);
  EXPECT_EQ(last.lParam, 0);

  // Selecting the current page changes nothing and says nothing.
  recorder.seen.clear();
  EXPECT_TRUE(tabs->SelectPage(2));
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_FALSE(tabs->SelectPage(3));
  EXPECT_FALSE(tabs->SelectPage(-1));

  root->Place(RECT{0, 0, 300, 200}, false);
  EXPECT_EQ(button->Rect().right, 300);

  manager.RemoveNotifyTarget(&recorder);
  manager.InstallRoot(nullptr);
}

TEST(Layout, TabRemovalKeepsTheSelectionConsistent) {
  CTabLayoutUI tabs;
  CControlUI* pages[4];
  for (CControlUI*& page : pages) {
    page = new CControlUI();
    ASSERT_TRUE(tabs.Add(page));
  }
  ASSERT_TRUE(tabs.SelectPage(2, false));
  ASSERT_TRUE(tabs.Remove(pages[0]));
  EXPECT_EQ(tabs.SelectedPage(), 1);
  EXPECT_EQ(tabs.ItemAt(1), pages[2]);
  ASSERT_TRUE(tabs.Remove(pages[2]));
  EXPECT_EQ(tabs.SelectedPage(), 0);
  EXPECT_TRUE(pages[1]->IsVisible());
  CControlUI* inserted = new CControlUI();
  ASSERT_TRUE(tabs.AddAt(inserted, 0));
  EXPECT_EQ(tabs.SelectedPage(), 1);
  EXPECT_EQ(tabs.ItemAt(1), pages[1]);
  tabs.RemoveAll();
  EXPECT_EQ(tabs.SelectedPage(), -1);
  EXPECT_EQ(tabs.Count(), 0);
}

}  // namespace
