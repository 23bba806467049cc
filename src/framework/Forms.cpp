#include "Forms.h"

#include <cmath>

#include "Exceptions.h"
#include "Platform.h"

namespace kestrilon::framework {

namespace {

TButton* FindButton(const TWinControl& container, bool cancel) noexcept {
  for (int i = 0; i < container.ControlCount(); ++i) {
    TControl* c = container.Controls(i);
    if (auto* button = dynamic_cast<TButton*>(c)) {
      if ((cancel ? button->Cancel() : button->Default()) && button->Visible() &&
          button->Enabled()) {
        return button;
      }
    } else if (auto* inner = dynamic_cast<TWinControl*>(c)) {
      if (TButton* found = FindButton(*inner, cancel)) return found;
    }
  }
  return nullptr;
}

int Scaled(int value, int to, int from) noexcept {
  return static_cast<int>(std::lround(static_cast<double>(value) * to / from));
}

void ScaleFont(TControl& control, int to, int from) {
  if (control.ParentFont()) return;
  TFont font = control.Font();
  font.SetHeight(Scaled(font.Height(), to, from));
  control.SetFont(font);
}

void ScaleChildren(TWinControl& parent, int to, int from) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl& child = *parent.Controls(i);
    child.SetBounds(Scaled(child.Left(), to, from), Scaled(child.Top(), to, from),
                    Scaled(child.Width(), to, from), Scaled(child.Height(), to, from));
    ScaleFont(child, to, from);
    if (auto* inner = dynamic_cast<TWinControl*>(&child)) ScaleChildren(*inner, to, from);
  }
}

}  // namespace

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  BeginLoading();
  TControl::SetVisible(false);
  SetParentFont(false);
}

TCustomForm::~TCustomForm() {
  DestroyComponents();
  DestroyHandle();
}

void TCustomForm::AfterConstruction() {
  try {
    EndLoading();
  } catch (...) {
    // Reported, and the form is made all the same: a program without its tray icon still works.
    platform::HandleException(*this);
  }
  try {
    if (FOnCreate) FOnCreate(*this);
  } catch (...) {
    platform::HandleException(*this);
  }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == FBorderStyle) return;
  int clientWidth = ClientWidth();
  int clientHeight = ClientHeight();
  FBorderStyle = style;
  Changed(ControlChange::Bounds);
  // The inside keeps its size; the frame changes around it.
  SetClientWidth(clientWidth);
  SetClientHeight(clientHeight);
}

void TCustomForm::ScaleForPixelsPerInch(int pixelsPerInch) {
  if (pixelsPerInch <= 0 || pixelsPerInch == FPixelsPerInch) return;
  const int from = FPixelsPerInch;
  const int clientWidth = ClientWidth();
  const int clientHeight = ClientHeight();
  FPixelsPerInch = pixelsPerInch;
  ScaleFont(*this, pixelsPerInch, from);
  ScaleChildren(*this, pixelsPerInch, from);
  SetClientWidth(Scaled(clientWidth, pixelsPerInch, from));
  SetClientHeight(Scaled(clientHeight, pixelsPerInch, from));
  PixelsPerInchChanged();
}

void TCustomForm::HandleCreated() { ScaleForPixelsPerInch(platform::FormPixelsPerInch(*this)); }

int TCustomForm::ClientWidth() const { return Width() - platform::FormFrameSize(*this).Width; }
int TCustomForm::ClientHeight() const { return Height() - platform::FormFrameSize(*this).Height; }
void TCustomForm::SetClientWidth(int width) {
  SetWidth(width + platform::FormFrameSize(*this).Width);
}
void TCustomForm::SetClientHeight(int height) {
  SetHeight(height + platform::FormFrameSize(*this).Height);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control && !ContainsControl(*control)) {
    throw EInvalidOperation("The control '" + control->Name() + "' is not on this form");
  }
  FActiveControl = control;
  if (control) control->FreeNotification(*this);
}

void TCustomForm::SetVisible(bool visible) {
  if (visible) HandleNeeded();
  TWinControl::SetVisible(visible);
}

void TCustomForm::Show() {
  SetVisible(true);
  Changed(ControlChange::Visible);  // brings an already visible form to the front too
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (FOnCloseQuery) FOnCloseQuery(*this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  if (!platform::CloseMainForm(*this)) Hide();
}

void TCustomForm::SetMessageHandler(std::uint32_t message, TMessageHandler handler) {
  if (handler) {
    FMessageHandlers[message] = std::move(handler);
  } else {
    FMessageHandlers.erase(message);
  }
}

const TMessageHandler* TCustomForm::MessageHandler(std::uint32_t message) const noexcept {
  auto it = FMessageHandlers.find(message);
  return it == FMessageHandlers.end() ? nullptr : &it->second;
}

TButton* TCustomForm::DefaultButton() const noexcept { return FindButton(*this, false); }
TButton* TCustomForm::CancelButton() const noexcept { return FindButton(*this, true); }

void TCustomForm::Notification(TComponent& component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && FActiveControl &&
      static_cast<TComponent*>(FActiveControl) == &component) {
    FActiveControl = nullptr;
  }
}

}  // namespace kestrilon::framework
