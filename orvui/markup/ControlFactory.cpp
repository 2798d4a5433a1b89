// The built-in tag table of the markup. Tags of controls that this framework
// does not build (lists, combos, trees, rich edit, sliders, ActiveX, GIF,
// tile and child layouts, scroll bars, the text control with links) are
// absent, so the builder skips them like any unknown tag.

#include <cwchar>

#include "orvui/layout/HorizontalLayoutUI.h"
#include "orvui/layout/TabLayoutUI.h"
#include "orvui/layout/VerticalLayoutUI.h"
#include "orvui/markup/DialogBuilder.h"

namespace OrvUI {

namespace {

template <typename T>
CControlUI* Make() {
  return new T();
}

struct TagEntry {
  const wchar_t* tag;
  CControlUI* (*create)();
};

const TagEntry kTags[] = {
    {L"Control", Make<CControlUI>},
    {L"Container", Make<CContainerUI>},
    {L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"VBox", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"HBox", Make<CHorizontalLayoutUI>},
    {L"TabLayout", Make<CTabLayoutUI>},
};

}  // namespace

CControlUI* CreateBuiltinControl(const wchar_t* tag) {
  if (tag == nullptr) return nullptr;
  for (const TagEntry& entry : kTags) {
    if (_wcsicmp(entry.tag, tag) == 0) return entry.create();
  }
  return nullptr;
}

}  // namespace OrvUI
