#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "orvui/control/ControlUI.h"
#include "orvui/layout/VerticalLayoutUI.h"
#include "orvui/manager/ManagerUI.h"

using namespace OrvUI;

namespace {

TEST(Control, ColourAttributes) {
  const struct {
    const wchar_t* name;
    const wchar_t* value;
    DWORD expected;
  } cases[] = {
      {L"bkcolor", L"#FF1675FE", 0xFF1675FE},
      {L"bkcolor", L"0xFFFFFFFF", 0xFFFFFFFF},
      {L"bkcolor", L"#00000000", 0},
      {L"bkcolor1", L"  #FF102030", 0xFF102030},
      {L"bkcolor", L"#GG", 0},
      {L"bordercolor", L"#FF00FF00", 0xFF00FF00},
      {L"bordercolor", L"#0xFF0000FF", 0xFF0000FF},
      {L"bordercolor", L"#", 0},
      {L"bordercolor", L" #FF00FF00", 0},  // only the bkcolor family skips spaces
  };
  for (const auto& c : cases) {
    CControlUI control;
    control.SetAttr(c.name, c.value);
    const DWORD actual =
        std::wstring(c.name).find(L"border") == 0 ? control.BorderColor() : control.BkColor();
    EXPECT_EQ(actual, c.expected) << std::string(c.value, c.value + wcslen(c.value));
  }
  CControlUI control;
  control.SetAttr(L"bkcolor2", L"#FF000002");
  control.SetAttr(L"bkcolor3", L"#FF000003");
  control.SetAttr(L"focusbordercolor", L"#FF000004");
  EXPECT_EQ(control.BkColor2(), 0xFF000002u);
  EXPECT_EQ(control.BkColor3(), 0xFF000003u);
  EXPECT_EQ(control.FocusBorderColor(), 0xFF000004u);
}

TEST(Control, NumberListsNeverReadPastTheirEnd) {
  const struct {
    const wchar_t* value;
    RECT expected;
  } cases[] = {
      {L"1,2,3,4", {1, 2, 3, 4}}, {L"5, 6, 7, 8", {5, 6, 7, 8}},
      {L"1,2", {1, 2, 0, 0}},     {L"9", {9, 0, 0, 0}},
      {L"", {0, 0, 0, 0}},        {L"x,2,3,4", {0, 0, 2, 3}},
      {L"1,,3,4", {1, 0, 3, 4}},  {L"-3,4,-5,6", {-3, 4, -5, 6}},
  };
  for (const auto& c : cases) {
    CControlUI control;
    control.SetAttr(L"padding", c.value);
    const RECT padding = control.Padding();
    EXPECT_TRUE(EqualRect(&padding, &c.expected) != FALSE)
        << std::string(c.value, c.value + wcslen(c.value)) << " -> " << padding.left << ","
        << padding.top << "," << padding.right << "," << padding.bottom;
  }
}

TEST(Control, SizeAttributesAndTheirLimits) {
  CControlUI control;
  control.SetAttr(L"maxwidth", L"10");
  control.SetAttr(L"minwidth", L"50");
  EXPECT_EQ(control.MaxWidth(), 50);
  control.SetAttr(L"width", L"-5");
  EXPECT_EQ(control.FixedWidth(), 0);
  control.SetAttr(L"width", L"abc");
  EXPECT_EQ(control.FixedWidth(), 0);
  control.SetAttr(L"height", L"12");
  control.SetAttr(L"minheight", L"-1");
  EXPECT_EQ(control.FixedHeight(), 12);
  EXPECT_EQ(control.MinHeight(), 0);
  EXPECT_EQ(control.MaxHeight(), 9999);
  EXPECT_EQ(control.MeasureSize(SIZE{500, 500}).cx, 0);
  EXPECT_EQ(control.MeasureSize(SIZE{500, 500}).cy, 12);
}

TEST(Control, FlagsTextAndCustomAttributes) {
  CControlUI control;
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } attrs[] = {
      {L"visible", L"TRUE"},
      {L"enabled", L"false"},
      {L"mouse", L"0"},
      {L"menu", L"true"},
      {L"shortcut", L"Alt"},
      {L"tooltip", L"a<n>b"},
      {L"text", L"hello"},
      {L"textcolor", L"#FF0000"},
      {L"textcolor", L"#00FF00"},
      {L"empty", L""},
      {L"float", L"0.25,0,0.5,1"},
      {L"bordersize", L"1,0,1,0"},
      {L"name", L"c"},
      {L"tag", L"42"},
  };
  for (const auto& a : attrs) control.SetAttr(a.name, a.value);
  EXPECT_FALSE(control.IsVisible());  // only the exact text "true" is true
  EXPECT_FALSE(control.IsEnabled());
  EXPECT_FALSE(control.IsMouseEnabled());
  EXPECT_TRUE(control.UsesContextMenu());
  EXPECT_EQ(control.Shortcut(), L'A');
  EXPECT_EQ(control.ToolTip(), L"a\r\nb");
  EXPECT_EQ(control.Text(), L"hello");
  EXPECT_EQ(control.CustomAttr(L"textcolor"), L"#FF0000");  // the first value wins
  EXPECT_EQ(control.CustomAttr(L"empty"), L"");
  EXPECT_TRUE(control.IsFloat());
  double fractions[4];
  control.FloatFractions(fractions);
  EXPECT_DOUBLE_EQ(fractions[0], 0.25);
  EXPECT_DOUBLE_EQ(fractions[3], 1.0);
  const RECT border = control.BorderSize();
  EXPECT_EQ(border.left, 1);
  EXPECT_EQ(border.top, 0);
  EXPECT_EQ(border.right, 1);
  EXPECT_EQ(control.Tag(), 42u);
}

class Recorder : public INotifyUI {
 public:
  void OnNotify(NotifyMsg& msg) override { seen.push_back(msg); }
  std::vector<NotifyMsg> seen;
};

// Records the events that bubble up to it.
class RecordingContainer : public CVerticalLayoutUI {
 public:
  void HandleEvent(UIEvent& event) override { events.push_back(event.type); }
  std::vector<int> events;
};

TEST(Control, UnhandledEventsBubbleAndHooksCanStopThem) {
  CManagerUI manager;
  Recorder recorder;
  manager.AddNotifyTarget(&recorder);
  RecordingContainer* root = new RecordingContainer();
  CControlUI* plain = new CControlUI();
  CControlUI* menu = new CControlUI();
  menu->SetUsesContextMenu(true);
  root->Add(plain);
  root->Add(menu);
  manager.InstallRoot(root);

  UIEvent event;
  event.type = EventContextMenu;
  event.wParam = 5;
  plain->DispatchEvent(event);
  menu->DispatchEvent(event);
  event.type = EventButtonDown;
  plain->DispatchEvent(event);
  event.type = EventTimer;
  event.wParam = 77;
  plain->DispatchEvent(event);
  ASSERT_EQ(root->events.size(), 2u);
  EXPECT_EQ(root->events[0], EventContextMenu);
  EXPECT_EQ(root->events[1], EventButtonDown);
  ASSERT_EQ(recorder.seen.size(), 2u);
  EXPECT_EQ(recorder.seen[0].type, L"menu");
  EXPECT_EQ(recorder.seen[0].sender, menu);
  EXPECT_EQ(recorder.seen[0].wParam, 5u);
  EXPECT_EQ(recorder.seen[1].type, L"timer");
  EXPECT_EQ(recorder.seen[1].wParam, 77u);

  // A hook answering false keeps the event from the control.
  bool hookRan = false;
  plain->onEvent.Add([&hookRan](void*) {
    hookRan = true;
    return false;
  });
  event.type = EventSetFocus;
  plain->DispatchEvent(event);
  EXPECT_TRUE(hookRan);
  EXPECT_FALSE(plain->IsFocused());

  manager.RemoveNotifyTarget(&recorder);
  manager.InstallRoot(nullptr);
}

TEST(Control, VisibilityFollowsParentsAndDropsTheFocus) {
  CManagerUI manager;
  CVerticalLayoutUI* root = new CVerticalLayoutUI();
  CVerticalLayoutUI* box = new CVerticalLayoutUI();
  CControlUI* leaf = new CControlUI();
  leaf->SetName(L"leaf");
  box->Add(leaf);
  root->Add(box);
  manager.InstallRoot(root);

  manager.FocusControl(leaf, false);
  ASSERT_EQ(manager.FocusedControl(), leaf);
  EXPECT_TRUE(leaf->IsFocused());
  box->SetVisible(false);
  EXPECT_FALSE(leaf->IsVisible());
  EXPECT_EQ(manager.FocusedControl(), nullptr);
  EXPECT_FALSE(leaf->IsFocused());
  manager.FocusControl(leaf, false);  // invisible controls cannot take the focus
  EXPECT_EQ(manager.FocusedControl(), nullptr);
  box->SetVisible(true);
  EXPECT_TRUE(leaf->IsVisible());

  // A destroyed control is forgotten by the manager.
  bool destroyed = false;
  leaf->onDestroy.Add([&destroyed](void*) {
    destroyed = true;
    return true;
  });
  manager.FocusControl(leaf, false);
  box->SetDefersDestroy(false);
  ASSERT_TRUE(box->Remove(leaf));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(manager.ControlByName(L"leaf"), nullptr);
  EXPECT_EQ(manager.FocusedControl(), nullptr);
  manager.InstallRoot(nullptr);
}

CControlUI* First(CControlUI* control, void*) { return control; }

TEST(Control, HitTestingFindsTheTopmostMouseEnabledControl) {
  CManagerUI manager;
  CVerticalLayoutUI* root = new CVerticalLayoutUI();
  CControlUI* under = new CControlUI();
  CControlUI* over = new CControlUI();
  over->SetFloat(true);
  over->SetFloatOrigin(SIZE{0, 0});
  over->SetFixedWidth(50);
  over->SetFixedHeight(50);
  root->Add(under);
  root->Add(over);
  manager.InstallRoot(root);
  root->Place(RECT{0, 0, 100, 100});

  EXPECT_EQ(manager.ControlAt(POINT{10, 10}), over);
  EXPECT_EQ(manager.ControlAt(POINT{80, 80}), under);
  EXPECT_EQ(manager.ControlAt(POINT{200, 10}), nullptr);
  over->SetMouseEnabled(false);
  EXPECT_EQ(manager.ControlAt(POINT{10, 10}), under);
  root->SetMouseChildEnabled(false);
  EXPECT_EQ(manager.ControlAt(POINT{10, 10}), root);
  under->SetVisible(false);
  root->SetMouseChildEnabled(true);
  EXPECT_EQ(manager.ControlAt(POINT{80, 80}), root);
  // Without the top-first flag the first child in list order wins.
  POINT p{10, 10};
  over->SetMouseEnabled(true);
  under->SetVisible(true);
  EXPECT_EQ(root->Search(First, &p, FindVisible | FindHitTest), under);
  manager.InstallRoot(nullptr);
}

}  // namespace

namespace {

// The area the window has been asked to repaint since the last check.
RECT TakeUpdateRect(HWND window) {
  RECT rc = {0, 0, 0, 0};
  if (!GetUpdateRect(window, &rc, FALSE)) rc = RECT{0, 0, 0, 0};
  ValidateRect(window, nullptr);
  return rc;
}

TEST(Control, InvalidationIsClippedByAncestorsAndClampedAtZero) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  {
    CManagerUI manager;
    manager.BindWindow(window, L"invalidation");
    CVerticalLayoutUI* root = new CVerticalLayoutUI();
    CVerticalLayoutUI* box = new CVerticalLayoutUI();
    CControlUI* leaf = new CControlUI();
    box->Add(leaf);
    root->Add(box);
    manager.InstallRoot(root);
    root->Place(RECT{0, 0, 100, 100}, false);
    leaf->Place(RECT{50, 50, 300, 300}, false);

    struct Step {
      const char* what;
      std::function<void()> action;
      RECT expected;
    };
    const Step steps[] = {
        {"clipped by the ancestors", [&] { leaf->Invalidate(); }, {50, 50, 100, 100}},
        {"old and new areas of a move",
         [&] {
           leaf->Place(RECT{10, 10, 20, 20}, true);
         },
         {10, 10, 100, 100}},
        {"moving by an offset", [&] { leaf->MoveBy(5, 5, true); }, {10, 10, 25, 25}},
        {"negative coordinates clamp at zero",
         [&] {
           root->Place(RECT{-10, -10, 50, 50}, true);
         },
         {0, 0, 100, 100}},
        // The root's layout placed the leaf at -10,-10,50,50.
        {"looks invalidate the control itself",
         [&] { leaf->SetBkColor(0xFF00FF00); },
         {0, 0, 50, 50}},
        {"hidden controls never invalidate",
         [&] {
           box->SetVisible(false);
           TakeUpdateRect(window);
           leaf->Invalidate();
         },
         {0, 0, 0, 0}},
    };
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      TakeUpdateRect(window);
      step.action();
      const RECT actual = TakeUpdateRect(window);
      EXPECT_TRUE(EqualRect(&actual, &step.expected) != FALSE)
          << actual.left << "," << actual.top << "," << actual.right << "," << actual.bottom;
    }
    manager.InstallRoot(nullptr);
  }
  DestroyWindow(window);
}

}  // namespace
