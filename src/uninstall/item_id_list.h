// A shell item-id list that is always freed.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace pw {

class ItemIdList {
 public:
  // Asks the shell for special folder csidl; IsValid() tells whether it exists.
  explicit ItemIdList(int csidl) {
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list_))) list_ = nullptr;
  }
  ~ItemIdList() {
    if (list_) CoTaskMemFree(list_);
  }
  ItemIdList(const ItemIdList&) = delete;
  ItemIdList& operator=(const ItemIdList&) = delete;
  bool IsValid() const { return list_ != nullptr; }
  // The folder's path into a buffer of MAX_PATH bytes.
  bool Path(char* out) const { return list_ && SHGetPathFromIDListA(list_, out); }

 private:
  LPITEMIDLIST list_ = nullptr;
};

}  // namespace pw
