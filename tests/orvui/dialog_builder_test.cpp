#include <gtest/gtest.h>

#include <memory>

#include "orvui/control/ControlUI.h"
#include "orvui/layout/HorizontalLayoutUI.h"
#include "orvui/layout/TabLayoutUI.h"
#include "orvui/layout/VerticalLayoutUI.h"
#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/DialogBuilder.h"
#include "tests/orvui/test_support.h"

using namespace OrvUI;

namespace {

struct TreeDeleter {
  void operator()(CControlUI* control) const {
    if (control != nullptr) control->Destroy();
  }
};
using Tree = std::unique_ptr<CControlUI, TreeDeleter>;

Tree BuildText(const wchar_t* markup, CManagerUI* manager = nullptr,
               IDialogBuilderCallback* callback = nullptr) {
  CDialogBuilder builder;
  return Tree(builder.Build(markup, nullptr, callback, manager));
}

CContainerUI* AsContainer(CControlUI* control) {
  return static_cast<CContainerUI*>(control->InterfaceFor(L"Container"));
}

// Answers "SequenceLabel" like the installer's main window does.
class SequenceCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(const wchar_t* tag) override {
    if (std::wstring(tag) == L"SequenceLabel") return new CHorizontalLayoutUI();
    return nullptr;
  }
};

TEST(DialogBuilder, AttributesApplyInDocumentOrder) {
  const struct {
    const wchar_t* markup;
    int width;
    int height;
  } cases[] = {
      {L"<Window><Control pos=\"0,0,100,50\" width=\"30\"/></Window>", 30, 50},
      {L"<Window><Control width=\"30\" pos=\"0,0,100,50\"/></Window>", 100, 50},
      {L"<Window><Control pos=\"0,0,200,0\"/></Window>", 200, 0},
      {L"<Window><Control pos=\"0,0,0,12\"/></Window>", 0, 12},
      {L"<Window><Control height=\"7\" height=\"9\"/></Window>", 0, 9},
  };
  for (const auto& c : cases) {
    Tree tree = BuildText(c.markup);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->FixedWidth(), c.width);
    EXPECT_EQ(tree->FixedHeight(), c.height);
  }
}

TEST(DialogBuilder, DefaultListsApplyBeforeTheElementsOwnAttributes) {
  CManagerUI manager;
  Tree tree = BuildText(
      L"<Window>"
      L"<Default name=\"Control\" value=\"width=&quot;11&quot; height=&quot;12&quot; "
      L"userdata=&quot;from default&quot;\"/>"
      L"<Default name=\"Control\" value=\"width=&quot;21&quot; height=&quot;22&quot;\"/>"
      L"<HorizontalLayout><Control name=\"a\" height=\"5\"/><control "
      L"name=\"b\"/></HorizontalLayout>"
      L"</Window>",
      &manager);
  ASSERT_TRUE(tree);
  CContainerUI* row = AsContainer(tree.get());
  ASSERT_EQ(row->Count(), 2);
  // The later "Default" replaced the earlier list under the same tag.
  EXPECT_EQ(row->ItemAt(0)->FixedWidth(), 21);
  EXPECT_EQ(row->ItemAt(0)->FixedHeight(), 5);
  EXPECT_EQ(row->ItemAt(0)->UserData(), L"");
  // Lists are stored under the tag exactly as written.
  EXPECT_EQ(row->ItemAt(1)->FixedWidth(), 0);
  EXPECT_EQ(manager.TagDefaults(L"Control"), L"width=\"21\" height=\"22\"");
  // Controls are detached again after the build.
  EXPECT_EQ(row->ItemAt(0)->Manager(), nullptr);
}

TEST(DialogBuilder, UnknownTagsAreSkippedWithTheirSubtrees) {
  const wchar_t* markup =
      L"<Window><HorizontalLayout name=\"row\">"
      L"<SequenceLabel name=\"seq\"><Control name=\"inside\"/></SequenceLabel>"
      L"<List name=\"unsupported\"/><Control name=\"after\"/>"
      L"</HorizontalLayout></Window>";
  Tree plain = BuildText(markup);
  ASSERT_TRUE(plain);
  CContainerUI* row = AsContainer(plain.get());
  ASSERT_EQ(row->Count(), 1);
  EXPECT_EQ(row->ItemAt(0)->Name(), L"after");

  SequenceCallback callback;
  Tree custom = BuildText(markup, nullptr, &callback);
  row = AsContainer(custom.get());
  ASSERT_EQ(row->Count(), 2);
  EXPECT_EQ(row->ItemAt(0)->Name(), L"seq");
  ASSERT_EQ(AsContainer(row->ItemAt(0))->Count(), 1);
  EXPECT_EQ(AsContainer(row->ItemAt(0))->ItemAt(0)->Name(), L"inside");
}

TEST(DialogBuilder, ChildrenOfANonContainerAreDropped) {
  Tree tree = BuildText(
      L"<Window><VerticalLayout><Control name=\"label\"><Control name=\"nested\"/></Control>"
      L"<Control name=\"next\"/></VerticalLayout></Window>");
  ASSERT_TRUE(tree);
  CContainerUI* column = AsContainer(tree.get());
  ASSERT_EQ(column->Count(), 2);
  EXPECT_EQ(column->ItemAt(0)->Name(), L"label");
  EXPECT_EQ(column->ItemAt(1)->Name(), L"next");

  // Building straight into a control that is not a container fails.
  CControlUI notContainer;
  CDialogBuilder builder;
  EXPECT_EQ(builder.Build(L"<Window><Control/></Window>", nullptr, nullptr, nullptr, &notContainer),
            nullptr);
}

TEST(DialogBuilder, IncludesAddToTheSameParentAndCannotRecurseForever) {
  OrvUITest::UseLooseSkin(OrvUITest::SkinFolder());
  CVerticalLayoutUI parent;
  CDialogBuilder builder;
  CControlUI* first = builder.Build(
      L"<Window><Include source=\"part\\row.xml\" count=\"2\"/><Control name=\"mine\"/>"
      L"<Include source=\"missing.xml\"/></Window>",
      nullptr, nullptr, nullptr, &parent);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Name(), L"mine");
  ASSERT_EQ(parent.Count(), 3);
  EXPECT_EQ(parent.ItemAt(0)->Name(), L"footer");
  EXPECT_EQ(parent.ItemAt(1)->Name(), L"footer");
  EXPECT_EQ(parent.ItemAt(2)->Name(), L"mine");

  CDialogBuilder loopBuilder;
  Tree loop(loopBuilder.Build(L"selfInclude.xml", nullptr, nullptr, nullptr));
  ASSERT_TRUE(loop);
  int depth = 0;
  for (CControlUI* c = loop.get(); c != nullptr; c = AsContainer(c)->ItemAt(0)) ++depth;
  EXPECT_EQ(depth, CDialogBuilder::kMaxIncludeDepth + 1);
}

TEST(DialogBuilder, IncludedLevelsCountTowardsTheDepthLimit) {
  OrvUITest::UseLooseSkin(OrvUITest::SkinFolder());
  std::wstring markup = L"<Window>";
  for (int i = 0; i < 200; ++i) markup += L"<VerticalLayout>";
  markup += L"<Include source=\"deep\\nest200.xml\"/>";
  for (int i = 0; i < 200; ++i) markup += L"</VerticalLayout>";
  markup += L"</Window>";
  Tree tree = BuildText(markup.c_str());
  ASSERT_TRUE(tree);
  int depth = 0;
  for (CControlUI* c = tree.get(); c != nullptr; c = AsContainer(c)->ItemAt(0)) ++depth;
  EXPECT_EQ(depth, CXmlDoc::kMaxDepth);
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"OrvUITestWindow";
  RegisterClassW(&wc);
  return CreateWindowExW(0, L"OrvUITestWindow", L"test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(DialogBuilder, RegistersResourcesAndWindowAttributesWithTheManager) {
  OrvUITest::UseSkinArchive(OrvUITest::ReadFileBytes(OrvUITest::SkinArchivePath()));
  HWND window = MakeWindow();
  ASSERT_NE(window, nullptr);
  {
    CManagerUI manager;
    manager.BindWindow(window, L"main");
    SequenceCallback callback;
    CDialogBuilder builder;
    Tree tree(builder.Build(L"mainWnd.xml", nullptr, &callback, &manager));
    ASSERT_TRUE(tree) << builder.ErrorMessage();

    RECT rc;
    GetWindowRect(window, &rc);
    EXPECT_EQ(rc.right - rc.left, 600);
    EXPECT_EQ(rc.bottom - rc.top, 400);
    EXPECT_EQ(manager.InitSize().cx, 600);
    EXPECT_EQ(manager.CaptionRect().bottom, 40);
    EXPECT_EQ(manager.RoundCorner().cx, 4);
    EXPECT_EQ(manager.WindowCustomAttr(L"shadowsize"), L"8");

    const FontData* title = manager.FontEntry(1);
    ASSERT_NE(title, nullptr);
    EXPECT_NE(title->handle, nullptr);
    EXPECT_EQ(title->size, 14);
    EXPECT_TRUE(title->bold);
    EXPECT_EQ(manager.DefaultFontEntry()->face, L"Arial");
    EXPECT_EQ(manager.DefaultFontEntry()->size, 12);
    EXPECT_EQ(manager.FontEntry(99), manager.DefaultFontEntry());
    EXPECT_NE(manager.CachedImage(L"res\\mainWnd\\bg1.png"), nullptr);
    ASSERT_NE(CManagerUI::LanguageString(7), nullptr);
    EXPECT_EQ(*CManagerUI::LanguageString(7), L"\u5B89\u88C5");

    // The tree is detached until a window installs it; then names resolve.
    EXPECT_EQ(manager.ControlByName(L"installBtn"), nullptr);
    manager.InstallRoot(tree.get());
    ASSERT_NE(manager.ControlByName(L"installBtn"), nullptr);
    EXPECT_EQ(manager.ControlByName(L"installBtn")->FixedWidth(), 141);
    EXPECT_NE(manager.ControlByName(L"footer"), nullptr);
    // Replacing the root hands the old tree to the manager's delayed clean-up.
    manager.InstallRoot(nullptr);
    tree.release();
  }
  DestroyWindow(window);
}

TEST(DialogBuilder, AttributeListGrammar) {
  const struct {
    const wchar_t* list;
    const wchar_t* name;
    const wchar_t* userdata;
  } cases[] = {
      {L"name=\"a\" userdata=\"b\"", L"a", L"b"},
      {L"name=\"a\"  userdata=\"b\"", L"a", L""},
      {L"name=\"a\",userdata=\"b\"", L"a", L""},
      {L"name=a userdata=\"b\"", L"", L""},
      {L"name=\"a\" userdata=\"b", L"a", L""},
      {L"userdata=\"x y=z\" name=\"n\"", L"n", L"x y=z"},
      {L"name", L"", L""},
      {L"", L"", L""},
  };
  for (const auto& c : cases) {
    CControlUI control;
    control.ApplyAttrList(c.list);
    EXPECT_EQ(control.Name(), c.name);
    EXPECT_EQ(control.UserData(), c.userdata);
  }
}

}  // namespace
