#include "Menus.h"

#include <algorithm>
#include <vector>

#include "Application.h"
#include "Exceptions.h"
#include "SystemLibrary.h"
#include "WinPeers.h"
#include "WinText.h"

namespace kestrilon::framework {

namespace {

UINT NextCommand() noexcept {
  static UINT command = 0x100;  // GUI thread only
  return ++command;
}

// Whether popup menus blend a 32-bit picture's alpha into their background: themed menus on
// Windows do. Wine's menus, themed or not, copy the picture as it is, so that its transparent
// parts come out black; unthemed menus are plain menu colour, where a picture laid on that colour
// looks the same whether blended or not.
bool MenusBlendAlpha() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  if (wine) return false;
  // uxtheme.dll is reached from the system folder, never imported: an imported DLL is looked for
  // beside the program first. Without it, nothing is themed.
  static const win::UniqueLibrary uxtheme = win::LoadSystemLibrary(L"uxtheme.dll");
  static const auto isAppThemed =
      uxtheme ? reinterpret_cast<BOOL(WINAPI*)()>(
                    reinterpret_cast<void*>(GetProcAddress(uxtheme.Get(), "IsAppThemed")))
              : nullptr;
  return isAppThemed && isAppThemed();
}

// The picture to give a menu item: a transparent one is laid on the menu's own colour where the
// menu would not blend it. Copies made are kept in pictures while the menu is shown.
HBITMAP MenuPicture(const TBitmap& bitmap, std::vector<win::UniqueBitmap>& pictures) {
  if (!bitmap.Transparent() || MenusBlendAlpha()) return bitmap.Handle();
  win::UniqueBitmap laid = bitmap.OnBackground(GetSysColor(COLOR_MENU));
  // Without the copy the picture still shows, if on black.
  if (!laid) return bitmap.Handle();
  pictures.push_back(std::move(laid));
  return pictures.back().Get();
}

void Build(HMENU menu, const TMenuItem& parent, std::vector<win::UniqueBitmap>& pictures) {
  UINT position = 0;
  for (int i = 0; i < parent.Count(); ++i) {
    const TMenuItem& item = *parent.Items(i);
    if (!item.Visible()) continue;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    std::wstring text = win::Widen(item.Caption());
    win::UniqueMenu submenu;
    if (item.IsLine()) {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
      info.fType = item.RadioItem() ? MFT_RADIOCHECK : MFT_STRING;
      info.wID = item.Command();
      info.dwTypeData = text.data();
      info.fState =
          (item.Enabled() ? MFS_ENABLED : MFS_DISABLED) | (item.Checked() ? MFS_CHECKED : 0u);
      if (!item.Bitmap().Empty()) {
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = MenuPicture(item.Bitmap(), pictures);
      }
      if (item.Count() > 0) {
        submenu.Reset(CreatePopupMenu());
        if (!submenu)
          throw EOutOfResources("Cannot create a menu (error " + std::to_string(GetLastError()) +
                                ")");
        Build(submenu.Get(), item, pictures);
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = submenu.Get();
      }
    }
    if (!InsertMenuItemW(menu, position, TRUE, &info)) {
      throw EOutOfResources("Cannot add the menu item " + item.Caption() + " (error " +
                            std::to_string(GetLastError()) + ")");
    }
    submenu.Release();  // the menu owns it now
    ++position;
  }
}

}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(NextCommand()) {}

TMenuItem::~TMenuItem() {
  for (TMenuItem* item : FItems) item->FParent = nullptr;
  if (FParent) FParent->Remove(*this);
}

void TMenuItem::Click() {
  if (FOnClick) FOnClick(*this);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem& item) {
  for (const TMenuItem* p = this; p; p = p->FParent) {
    if (p == &item) throw EInvalidOperation("A menu item cannot contain itself");
  }
  if (item.FParent) item.FParent->Remove(item);
  FItems.push_back(&item);
  item.FParent = this;
}

void TMenuItem::Remove(TMenuItem& item) noexcept {
  auto it = std::find(FItems.begin(), FItems.end(), &item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  item.FParent = nullptr;
}

TMenuItem* TMenuItem::Find(UINT command) noexcept {
  if (command == FCommand) return this;
  for (TMenuItem* item : FItems) {
    if (TMenuItem* found = item->Find(command)) return found;
  }
  return nullptr;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this)) {}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (FPopupComponent && FPopupComponent != component) RemoveFreeNotification(*FPopupComponent);
  FPopupComponent = component;
  if (component) component->FreeNotification(*this);
}

void TPopupMenu::Notification(TComponent& component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (&component == FPopupComponent) FPopupComponent = nullptr;
  if (&component == static_cast<TComponent*>(FItems)) FItems = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (!FItems) return;
  HWND owner = nullptr;
  if (auto* control = dynamic_cast<TWinControl*>(Owner())) owner = win::WindowOf(*control);
  if (!owner) {
    Application().Initialize();
    owner = Application().Handle();
  }
  // Otherwise the menu stays open when the user clicks outside it.
  SetForegroundWindow(owner);
  std::vector<win::UniqueBitmap> pictures;  // outlive the menu that shows them
  win::UniqueMenu menu(CreatePopupMenu());
  if (!menu)
    throw EOutOfResources("Cannot create a menu (error " + std::to_string(GetLastError()) + ")");
  Build(menu.Get(), *FItems, pictures);
  auto command = static_cast<UINT>(TrackPopupMenu(
      menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, x, y, 0, owner, nullptr));
  // Lets the menu close properly the next time it is used from a tray icon.
  PostMessageW(owner, WM_NULL, 0, 0);
  if (command != 0 && FItems) {
    if (TMenuItem* item = FItems->Find(command)) item->Click();
  }
}

}  // namespace kestrilon::framework
