#pragma once

namespace OrvUI {

class CControlUI;

// The child-list view of a container, answered for the interface name
// "IContainer". UI thread only.
class IContainerUI {
 public:
  virtual CControlUI* ItemAt(int index) const = 0;
  virtual int ItemIndex(CControlUI* control) const = 0;
  virtual bool MoveItem(CControlUI* control, int index) = 0;
  virtual bool MoveItems(CControlUI* first, int count, int index) = 0;
  virtual int Count() const = 0;
  virtual bool Add(CControlUI* control) = 0;
  virtual bool AddAt(CControlUI* control, int index) = 0;
  virtual bool Remove(CControlUI* control, bool keepAlive = false) = 0;
  virtual bool RemoveAt(int index, bool keepAlive = false) = 0;
  virtual void RemoveAll() = 0;

 protected:
  ~IContainerUI() = default;
};

}  // namespace OrvUI
