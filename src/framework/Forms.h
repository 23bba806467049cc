// Forms: top-level windowed controls with a caption, a border, a help file, creation and
// close-query events and handlers for chosen window messages.
//
// A form is created loading (csLoading): its constructor and that of the class derived from it
// create the controls and components and set their properties. AfterConstruction then ends the
// loading (Loaded on every component, in creation order) and raises OnCreate. MakeForm and the
// application's CreateForm do both steps.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "Controls.h"
#include "StdControls.h"

namespace kestrilon::framework {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

using TCloseQueryEvent = std::function<void(TObject& sender, bool& canClose)>;
using TMessageHandler = std::function<void(TMessage& message)>;

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* owner);
  // Deletes the form's components first, the last created first, while the form is whole.
  ~TCustomForm() override;

  // Ends loading and raises OnCreate. An exception out of OnCreate goes to the application's
  // handler and creation goes on; without an application it propagates.
  void AfterConstruction();

  TFormBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);

  // The inside of the form, without its frame. Setting it sets Width and Height.
  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientWidth(int width);
  void SetClientHeight(int height);

  const std::string& HelpFile() const noexcept { return FHelpFile; }
  void SetHelpFile(std::string_view path) { FHelpFile = std::string(path); }

  // The control that has the focus when the form is shown.
  TWinControl* ActiveControl() const noexcept { return FActiveControl; }
  void SetActiveControl(TWinControl* control);

  // Makes the form visible and brings it to the front.
  void Show();
  void Hide() { SetVisible(false); }
  // Asks OnCloseQuery (may-close preset to true). If closing is allowed: the application's main
  // form ends the message loop; any other form hides. The form is not destroyed.
  void Close();
  // Runs OnCloseQuery; true when the form may close.
  bool CloseQuery();

  const TNotifyEvent& OnCreate() const noexcept { return FOnCreate; }
  void SetOnCreate(TNotifyEvent handler) { FOnCreate = std::move(handler); }
  const TCloseQueryEvent& OnCloseQuery() const noexcept { return FOnCloseQuery; }
  void SetOnCloseQuery(TCloseQueryEvent handler) { FOnCloseQuery = std::move(handler); }

  // A handler for one window message of the form's window; it replaces the framework's own
  // handling of that message. An empty handler removes it.
  void SetMessageHandler(std::uint32_t message, TMessageHandler handler);
  const TMessageHandler* MessageHandler(std::uint32_t message) const noexcept;

  // The buttons that Enter and Escape click: the first visible and enabled button marked
  // Default (Cancel) among the form's controls, searched in child order, depth first.
  TButton* DefaultButton() const noexcept;
  TButton* CancelButton() const noexcept;

  void SetVisible(bool visible) override;

  // The pixels per inch the form's layout is made for: 96 as designed, then the monitor's.
  int PixelsPerInch() const noexcept { return FPixelsPerInch; }
  // Scales the client size, every control's bounds and the fonts from PixelsPerInch to
  // pixelsPerInch. The position on the screen stays.
  void ScaleForPixelsPerInch(int pixelsPerInch);

 protected:
  // Takes the layout to the monitor's pixels per inch.
  void HandleCreated() override;
  // After the layout was scaled to a new PixelsPerInch: a form whose text doesn't grow in step
  // with its controls fits it again here.
  virtual void PixelsPerInchChanged() {}
  void Notification(TComponent& component, TOperation operation) override;

 private:
  TFormBorderStyle FBorderStyle = bsSizeable;
  int FPixelsPerInch = 96;
  std::string FHelpFile;
  TWinControl* FActiveControl = nullptr;
  TNotifyEvent FOnCreate;
  TCloseQueryEvent FOnCloseQuery;
  std::map<std::uint32_t, TMessageHandler> FMessageHandlers;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};

// Creates a form without an owner (the caller owns it) and ends its construction.
template <class F, class... Args>
std::unique_ptr<F> MakeForm(Args&&... args) {
  auto form = std::make_unique<F>(nullptr, std::forward<Args>(args)...);
  form->AfterConstruction();
  return form;
}

}  // namespace kestrilon::framework
