#include "orvui/markup/DialogBuilder.h"

#include <cwchar>
#include <vector>

#include "orvui/control/ControlUI.h"
#include "orvui/layout/ContainerUI.h"
#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/AttrValue.h"

namespace OrvUI {

namespace {

bool Is(const wchar_t* a, const wchar_t* b) { return _wcsicmp(a, b) == 0; }

// Attribute names of resource elements are compared without regard to case.
const wchar_t* AttrNoCase(const CXmlNode& node, const wchar_t* name, bool* present = nullptr) {
  const size_t count = node.AttributeCount();
  for (size_t i = 0; i < count; ++i) {
    if (Is(node.AttributeName(i), name)) {
      if (present) *present = true;
      return node.AttributeValue(i);
    }
  }
  if (present) *present = false;
  return L"";
}

bool TrueNoCase(const wchar_t* value) { return Is(value, L"true"); }

bool ReadModuleMarkup(const wchar_t* id, const wchar_t* type, std::vector<unsigned char>* bytes) {
  HMODULE module = CManagerUI::ResourceModule();
  HRSRC info = FindResourceW(module, id, type);
  if (info == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, info);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, info);
  if (data == nullptr || size == 0) return false;
  const unsigned char* begin = static_cast<const unsigned char*>(data);
  bytes->assign(begin, begin + size);
  FreeResource(loaded);
  return true;
}

}  // namespace

CControlUI* CDialogBuilder::Build(const wchar_t* source, const wchar_t* resourceType,
                                  IDialogBuilderCallback* callback, CManagerUI* manager,
                                  CControlUI* parent) {
  if (source == nullptr) return nullptr;
  if (IS_INTRESOURCE(source)) {
    resourceType_ = resourceType != nullptr ? resourceType : L"";
    std::vector<unsigned char> bytes;
    if (!ReadModuleMarkup(source, resourceType_.c_str(), &bytes)) {
      doc_.Release();
      return nullptr;
    }
    if (!doc_.LoadBytes(bytes.data(), bytes.size(), Utf8)) return nullptr;
  } else if (source[0] == L'<') {
    if (!doc_.LoadText(source)) return nullptr;
  } else if (!doc_.LoadSkinFile(source, Utf8)) {
    return nullptr;
  }
  return BuildLoaded(callback, manager, parent);
}

CControlUI* CDialogBuilder::BuildLoaded(IDialogBuilderCallback* callback, CManagerUI* manager,
                                        CControlUI* parent) {
  callback_ = callback;
  manager_ = manager;
  const CXmlNode root = doc_.Root();
  if (!root.IsValid()) return nullptr;
  if (manager_ != nullptr) {
    RegisterResources(root);
    if (Is(root.Name(), L"Window") && manager_->NativeWindow() != nullptr) {
      const size_t count = root.AttributeCount();
      for (size_t i = 0; i < count; ++i) {
        manager_->SetWindowAttr(root.AttributeName(i), root.AttributeValue(i));
      }
    }
  }
  return BuildLevel(root.Child(), parent, baseDepth_);
}

void CDialogBuilder::RegisterResources(const CXmlNode& root) {
  for (CXmlNode node = root.Child(); node.IsValid(); node = node.Sibling()) {
    const wchar_t* tag = node.Name();
    if (Is(tag, L"Image")) {
      const wchar_t* name = AttrNoCase(node, L"name");
      const wchar_t* type = AttrNoCase(node, L"restype");
      const wchar_t* maskText = AttrNoCase(node, L"mask");
      const DWORD mask = ReadColor(maskText, false);
      const bool shared = TrueNoCase(AttrNoCase(node, L"shared"));
      if (*name != 0) manager_->CacheImage(name, type, mask, false, shared);
    } else if (Is(tag, L"Font")) {
      bool hasId = false;
      const wchar_t* idText = AttrNoCase(node, L"id", &hasId);
      const int id = hasId ? ReadInt(idText) : -1;
      const wchar_t* face = AttrNoCase(node, L"name");
      bool hasSize = false;
      const wchar_t* sizeText = AttrNoCase(node, L"size", &hasSize);
      const int size = hasSize ? ReadInt(sizeText) : 12;
      const bool bold = TrueNoCase(AttrNoCase(node, L"bold"));
      const bool underline = TrueNoCase(AttrNoCase(node, L"underline"));
      const bool italic = TrueNoCase(AttrNoCase(node, L"italic"));
      const bool isDefault = TrueNoCase(AttrNoCase(node, L"default"));
      const bool shared = TrueNoCase(AttrNoCase(node, L"shared"));
      if (id >= 0 && *face != 0) {
        manager_->DefineFont(id, face, size, bold, underline, italic, shared);
        if (isDefault) manager_->DefineDefaultFont(face, size, bold, underline, italic, shared);
      }
    } else if (Is(tag, L"Default")) {
      const wchar_t* name = AttrNoCase(node, L"name");
      const wchar_t* value = AttrNoCase(node, L"value");
      const bool shared = TrueNoCase(AttrNoCase(node, L"shared"));
      if (*name != 0) manager_->SetTagDefaults(name, value, shared);
    } else if (Is(tag, L"MultiLanguage")) {
      bool hasId = false;
      const wchar_t* idText = AttrNoCase(node, L"id", &hasId);
      const int id = hasId ? ReadInt(idText) : -1;
      const wchar_t* value = AttrNoCase(node, L"value");
      if (id >= 0 && *value != 0) CManagerUI::SetLanguageString(id, value);
    }
  }
}

void CDialogBuilder::BuildInclude(const CXmlNode& node, CControlUI* parent, int depth) {
  bool hasCount = false;
  const wchar_t* countText = AttrNoCase(node, L"count", &hasCount);
  const int count = hasCount ? ReadInt(countText) : 1;
  bool hasSource = false;
  const wchar_t* source = AttrNoCase(node, L"source", &hasSource);
  if (!hasSource || count <= 0 || includeDepth_ >= kMaxIncludeDepth) return;
  for (int i = 0; i < count; ++i) {
    CDialogBuilder builder;
    builder.includeDepth_ = includeDepth_ + 1;
    builder.baseDepth_ = depth;
    if (!resourceType_.empty()) {
      builder.Build(MAKEINTRESOURCEW(static_cast<WORD>(ReadInt(source))), resourceType_.c_str(),
                    callback_, manager_, parent);
    } else {
      // A source that starts with "<" would be read as markup text; an
      // included name is always a file.
      if (!builder.doc_.LoadSkinFile(source, Utf8)) continue;
      builder.BuildLoaded(callback_, manager_, parent);
    }
  }
}

CControlUI* CDialogBuilder::BuildLevel(const CXmlNode& first, CControlUI* parent, int depth) {
  // Deeper levels are left out: layout, painting and destruction recurse
  // once per level, so an unbounded tree could exhaust the stack.
  if (depth >= CXmlDoc::kMaxDepth) return nullptr;
  CControlUI* firstCreated = nullptr;
  for (CXmlNode node = first; node.IsValid(); node = node.Sibling()) {
    const wchar_t* tag = node.Name();
    if (Is(tag, L"Image") || Is(tag, L"Font") || Is(tag, L"Default") || Is(tag, L"MultiLanguage")) {
      continue;
    }
    if (Is(tag, L"Include")) {
      BuildInclude(node, parent, depth);
      continue;
    }
    CControlUI* control = CreateBuiltinControl(tag);
    if (control == nullptr && callback_ != nullptr) control = callback_->CreateCustomControl(tag);
    if (control == nullptr) continue;  // unknown: the whole subtree is skipped

    if (node.HasChildElements()) BuildLevel(node.Child(), control, depth + 1);

    if (parent != nullptr) {
      if (std::wcscmp(node.AttributeValue(L"cover"), L"true") == 0) {
        // Only a container can cover another control.
        if (control->InterfaceFor(L"Container") == nullptr) {
          control->Destroy();
          continue;
        }
        parent->SetCover(static_cast<CContainerUI*>(control));
      } else {
        IContainerUI* container = static_cast<IContainerUI*>(parent->InterfaceFor(L"IContainer"));
        if (container == nullptr) {
          control->Destroy();
          return nullptr;
        }
        if (!container->Add(control)) {
          control->Destroy();
          continue;
        }
      }
    }

    // Attach temporarily so that attributes can reach the manager's tables.
    const bool wasAttached = control->Manager() != nullptr;
    if (manager_ != nullptr) {
      if (!wasAttached) control->AttachManager(manager_, control->ParentControl(), false);
      const std::wstring defaults = manager_->TagDefaults(tag);
      if (!defaults.empty()) control->ApplyAttrList(defaults);
    }
    const size_t count = node.AttributeCount();
    for (size_t i = 0; i < count; ++i)
      control->SetAttr(node.AttributeName(i), node.AttributeValue(i));
    if (manager_ != nullptr && !wasAttached) {
      control->AttachManager(nullptr, control->ParentControl(), false);
    }
    if (firstCreated == nullptr) firstCreated = control;
  }
  return firstCreated;
}

}  // namespace OrvUI
