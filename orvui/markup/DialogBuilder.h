#pragma once
// Turns window markup into a control tree, registering the document's fonts,
// images, default attribute lists and window attributes with the manager.
//
// Thread contract: UI thread only (it reads the skin through the
// process-wide resource settings and configures controls). The builder owns
// its document; the returned tree belongs to the caller, or to the parent it
// was built into. Nothing blocks beyond reading the skin file.

#include <windows.h>

#include <string>

#include "orvui/markup/XmlDoc.h"
#include "orvui/markup/XmlNode.h"

namespace OrvUI {

class CControlUI;
class CManagerUI;

// Creates the controls whose tags the framework does not know.
class IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateCustomControl(const wchar_t* tag) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

class CDialogBuilder {
 public:
  // Includes may nest this deep; a skin that includes itself ends here
  // instead of exhausting the stack.
  static constexpr int kMaxIncludeDepth = 16;

  CDialogBuilder() = default;
  CDialogBuilder(const CDialogBuilder&) = delete;
  CDialogBuilder& operator=(const CDialogBuilder&) = delete;

  // source is a numeric resource id (MAKEINTRESOURCEW), markup text starting
  // with "<", or a skin file name. Returns the first top-level control.
  CControlUI* Build(const wchar_t* source, const wchar_t* resourceType,
                    IDialogBuilderCallback* callback, CManagerUI* manager,
                    CControlUI* parent = nullptr);
  // Builds from the document already loaded (for tools that load it first).
  CControlUI* BuildLoaded(IDialogBuilderCallback* callback, CManagerUI* manager,
                          CControlUI* parent = nullptr);

  CXmlDoc& Document() { return doc_; }
  const wchar_t* ErrorMessage() const { return doc_.ErrorMessage(); }
  const wchar_t* ErrorLocation() const { return doc_.ErrorLocation(); }

 private:
  void RegisterResources(const CXmlNode& root);
  CControlUI* BuildLevel(const CXmlNode& first, CControlUI* parent, int depth);
  void BuildInclude(const CXmlNode& node, CControlUI* parent, int depth);

  CXmlDoc doc_;
  IDialogBuilderCallback* callback_ = nullptr;
  CManagerUI* manager_ = nullptr;
  std::wstring resourceType_;  // set when the markup came from a module resource
  int includeDepth_ = 0;
  // Control depth at which this document's top level starts; included
  // documents continue the count so that the whole tree stays within
  // CXmlDoc::kMaxDepth levels.
  int baseDepth_ = 0;
};

// The built-in tag table; null for tags the framework does not build.
CControlUI* CreateBuiltinControl(const wchar_t* tag);

}  // namespace OrvUI
