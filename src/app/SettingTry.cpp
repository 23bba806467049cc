// TForm1's "試す" page: a sample filtered with the settings the dialog shows now, as the clipboard
// would be, updated as the sample or any option changes, before OK.
#include <string>

#include "ClipboardText.h"
#include "Setting.h"
#include "SettingLayout.h"
#include "WinText.h"
#include "WinWindow.h"

namespace kestrilon::app {

using namespace framework;

namespace {

// What the page shows first: digits, letters, kana, symbols, an HTML tag, blanks and line breaks,
// so that most options change something in it.
constexpr char kDefaultSample[] =
    "Kestrilon　ＡＢＣ　ａｂｃ　１２３，４５６．７\r\n"
    "ｶﾀｶﾅ と カタカナ と ひらがな、「かぎ」（かっこ）。\r\n"
    "<b>太字</b> & \"引用\" < >\r\n"
    "  空白が    続く行   \r\n"
    "この行は\r\n"
    "次の行へつながる。\r\n";

TMemo& Memo(const TForm1& form, std::string_view name) {
  return dynamic_cast<TMemo&>(*form.FindComponent(name));
}

}  // namespace

void TForm1::WireTryPage() {
  Memo(*this, names::TryResult).SetReadOnly(true);
  Memo(*this, names::TrySample).SetOnChange([this](TObject&) { ScheduleTry(); });
  // A click on any option: the result follows it, before OK.
  for (const filter::SettingInfo& info : filter::AllSettings())
    dynamic_cast<TControl&>(*FindComponent(info.name)).SetOnClick([this](TObject&) {
      ScheduleTry();
    });
  PageControl1->SetOnChange([this](TObject&) {
    TMemo& sample = Memo(*this, names::TrySample);
    if (PageControl1->ActivePage() == FindComponent(names::Try) && sample.Text().empty() &&
        !FTryShown) {
      FTryShown = true;
      sample.SetText(kDefaultSample);
    }
  });
}

void TForm1::ScheduleTry() {
  if (FTryPending || (Memo(*this, names::TrySample).Text().empty() &&
                      Memo(*this, names::TryResult).Text().empty()))
    return;
  if (SetTimer(win::WindowOf(*this), kTryTimer, kTryInterval, nullptr)) {
    FTryPending = true;
    return;
  }
  RunTry();  // no timer to be had: at once, then
}

void TForm1::RunTry() {
  if (FTryPending && !KillTimer(win::WindowOf(*this), kTryTimer)) {
    // Gone already: nothing more to stop.
  }
  FTryPending = false;
  const std::string& sample = Memo(*this, names::TrySample).Text();
  const std::wstring wide = win::Widen(sample);
  const std::u16string copied(wide.begin(), wide.end());
  // As the clipboard's run: a text the filter can't carry stays as it is.
  const std::optional<TextVersion> filtered = Filtered(FTryFilter, copied, CurrentSettings());
  Memo(*this, names::TryResult)
      .SetText(filtered ? win::Narrow(std::wstring(filtered->text.begin(), filtered->text.end()))
                        : sample);
}

void TForm1::TryFromClipboardClick(TObject&) {
  std::u16string text;
  {
    clipboard::OpenedClipboard clip(win::WindowOf(*this));
    // A password manager's copy is never read, not even to try the settings on.
    if (clip.HoldsPrivateCopy()) return;
    text = clip.ReadText();
  }
  Memo(*this, names::TrySample).SetText(win::Narrow(std::wstring(text.begin(), text.end())));
}

}  // namespace kestrilon::app
