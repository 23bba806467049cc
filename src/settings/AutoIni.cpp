#include "AutoIni.h"

#include <iostream>
#include <string>

#include "Exceptions.h"
#include "Forms.h"
#include "IniFile.h"
#include "Sjis.h"
#include "StdControls.h"
#include "UnicodeBridge.h"

#ifdef _WIN32
#include <windows.h>

#include "Application.h"
#include "WinText.h"
#endif

namespace kestrilon::settings {
namespace {

using namespace kestrilon::framework;

std::string Utf8(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

[[noreturn]] void InvalidCast() { throw EInvalidCast("Invalid class typecast"); }

// The section name as the file holds it: code page 932, each character that code page lacks as
// "?", which is what the system's ANSI functions make of such a name.
std::string SectionBytes(std::string_view utf8) {
  const unicode::Cp932Text converted = unicode::Utf8ToCp932(utf8);
  if (converted.error != unicode::BridgeError::None)
    throw EIniFileError("セクション名「" + std::string(utf8) + "」は UTF-8 ではありません");
  return unicode::AnsiForm(converted.bytes, converted.placeholders);
}

#ifdef _WIN32

std::filesystem::path ModuleFileName() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (n == 0) throw EOSError("GetModuleFileNameW", GetLastError());
    if (n < size) {
      buffer.resize(n);
      return std::filesystem::path(buffer);
    }
    if (buffer.size() >= 32768) throw EOSError("GetModuleFileNameW", ERROR_INSUFFICIENT_BUFFER);
    buffer.resize(buffer.size() * 2);  // the path was cut: try a larger buffer
  }
}

// A plain box, as the application shows its messages: the application's title, its window as
// the owner.
void MessageBoxShow(const std::string& message) {
  TApplication& application = Application();
  if (MessageBoxW(application.Handle(), win::Widen(message).c_str(),
                  win::Widen(application.Title()).c_str(), MB_OK) == 0) {
    // Nothing else could show it; the error that follows still reaches the caller.
  }
}

#endif

}  // namespace

TAutoIni::TAutoIni(TComponent* owner) : TComponent(owner), FCheckControls(TCheckControls::All()) {
#ifdef _WIN32
  ExecutablePath = ModuleFileName;
  ShowMessage = MessageBoxShow;
#else
  ShowMessage = [](const std::string& message) { std::cerr << message << '\n'; };
#endif
}

void TAutoIni::WorkOutPathAndSection() {
  if (!ExecutablePath) throw EInvalidOperation("TAutoIni: the executable's path is unknown");
  const std::filesystem::path exe = ExecutablePath();
  if (FSection.empty()) FSection = Utf8(exe.filename());
  if (!FAIniFileName.empty()) {
    FIniPath = exe.parent_path() / PathFromUtf8(FAIniFileName);
  } else {
    FIniPath = exe;
    FIniPath.replace_extension(".ini");
  }
  if (FMakeIniWinDir) FIniPath = FIniPath.filename();
}

void TAutoIni::TellUser(const char* message) noexcept {
  try {
    if (ShowMessage) ShowMessage(message);
  } catch (...) {
    // The error being reported is the one the caller must see, not this one.
  }
}

void TAutoIni::SaveIni() {
  WorkOutPathAndSection();
  try {
    IniFile ini(FIniPath);
    const std::string section = SectionBytes(FSection);
    if (FCheckWinState) {
      const auto* form = dynamic_cast<const TCustomForm*>(Owner());
      if (!form) InvalidCast();
      ini.WriteInteger(section, form->Name() + "Top", form->Top());
      ini.WriteInteger(section, form->Name() + "Left", form->Left());
      if (FCheckWinSize) {
        ini.WriteInteger(section, form->Name() + "height", form->Height());
        ini.WriteInteger(section, form->Name() + "width", form->Width());
      }
    }
    WalkControls(Owner(), Direction::Save, ini, section);
    if (OnSaveIni) OnSaveIni(ini, section);
    ini.UpdateFile();
  } catch (...) {
    TellUser("Can not save to IniFile");
    throw;
  }
}

void TAutoIni::LoadIni() {
  WorkOutPathAndSection();
  try {
    IniFile ini(FIniPath);
    const std::string section = SectionBytes(FSection);
    if (FCheckWinState) {
      auto* form = dynamic_cast<TCustomForm*>(Owner());
      if (!form) InvalidCast();
      form->SetTop(ini.ReadInteger(section, form->Name() + "Top", 0));
      form->SetLeft(ini.ReadInteger(section, form->Name() + "Left", 0));
      if (FCheckWinSize) {
        form->SetHeight(ini.ReadInteger(section, form->Name() + "height", form->Height()));
        form->SetWidth(ini.ReadInteger(section, form->Name() + "width", form->Width()));
      }
    }
    WalkControls(Owner(), Direction::Load, ini, section);
    if (OnLoadIni) OnLoadIni(ini, section);
  } catch (...) {
    TellUser("Can not load from IniFile");
    throw;
  }
}

void TAutoIni::WalkControls(TComponent* container, Direction direction, IniFile& ini,
                            const std::string& section) {
  auto* parent = dynamic_cast<TWinControl*>(container);
  if (!parent) InvalidCast();
  const bool save = direction == Direction::Save;

  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl& control = *parent->Controls(i);
    const std::string& key = control.Name();
    // An unnamed control has no key to be kept under (a radio group's own buttons, say).
    const bool selected = (!FCheckTag || control.Tag() == FEnableTag) && !key.empty();

    if (auto* edit = dynamic_cast<TCustomEdit*>(&control);
        edit && FCheckControls.Contains(ccEdit)) {
      if (!selected) continue;
      if (save) {
        const unicode::Cp932Text text = unicode::Utf8ToCp932(edit->Text());
        if (text.error != unicode::BridgeError::None || text.placeholders.Count() != 0)
          throw EIniFileError("「" + key + "」の文字の一部はコード ページ 932 にないため " +
                              Utf8(ini.FileName()) + " に書き込めません");
        ini.WriteString(section, key, text.bytes);
      } else if (ini.ValueExists(section, key)) {
        // A value that doesn't decode leaves the text as it is, as any unparsable value does.
        const auto text =
            unicode::Cp932ToUtf8(ini.ReadString(section, key, ""), unicode::Placeholders{});
        if (text.error == unicode::BridgeError::None) edit->SetText(text.text);
      }
      continue;
    }
    if (auto* box = dynamic_cast<TCustomCheckBox*>(&control);
        box && FCheckControls.Contains(ccCheckBox)) {
      if (!selected) continue;
      if (save)
        ini.WriteBool(section, key, box->Checked());
      else
        box->SetChecked(ini.ReadBool(section, key, box->Checked()));
      continue;
    }
    if (auto* radio = dynamic_cast<TRadioButton*>(&control);
        radio && FCheckControls.Contains(ccRadioButton)) {
      if (!selected) continue;
      if (save)
        ini.WriteBool(section, key, radio->Checked());
      else
        radio->SetChecked(ini.ReadBool(section, key, radio->Checked()));
      continue;
    }
    if (auto* group = dynamic_cast<TCustomRadioGroup*>(&control);
        group && FCheckControls.Contains(ccRadioGroup)) {
      if (!selected) continue;
      if (save)
        ini.WriteInteger(section, key, group->ItemIndex());
      else
        group->SetItemIndex(ini.ReadInteger(section, key, group->ItemIndex()));  // clamps
      continue;
    }
    if (auto* list = dynamic_cast<TCustomListBox*>(&control);
        list && FCheckControls.Contains(ccListBox)) {
      if (!selected) continue;
      if (save)
        ini.WriteInteger(section, key, list->ItemIndex());
      else
        list->SetItemIndex(ini.ReadInteger(section, key, list->ItemIndex()));
      continue;
    }
    if (auto* combo = dynamic_cast<TCustomComboBox*>(&control);
        combo && FCheckControls.Contains(ccComboBox)) {
      if (!selected) continue;
      if (save)
        ini.WriteInteger(section, key, combo->ItemIndex());
      else
        combo->SetItemIndex(ini.ReadInteger(section, key, combo->ItemIndex()));
      continue;
    }
    if (auto* shape = dynamic_cast<TShape*>(&control); shape && FCheckControls.Contains(ccColor)) {
      if (!selected) continue;
      if (save)
        ini.WriteInteger(section, key, shape->Brush().Color());
      else
        shape->Brush().SetColor(ini.ReadInteger(section, key, shape->Brush().Color()));
      continue;
    }
    // Containers are walked whatever their tag.
    if (auto* inner = dynamic_cast<TWinControl*>(&control); inner && inner->ControlCount() > 0)
      WalkControls(inner, direction, ini, section);
  }
}

}  // namespace kestrilon::settings
