#include "AutoIni.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <string>

#include "Exceptions.h"
#include "Forms.h"
#include "HotKey.h"
#include "IniFile.h"
#include "CodePage932.h"
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

namespace {

template <class C>
bool Is(const TControl& control) {
  return dynamic_cast<const C*>(&control) != nullptr;
}

template <class C>
C& As(TControl& control) {
  return dynamic_cast<C&>(control);
}

using Section = const std::string&;
using Key = const std::string&;

// One kind of control the walk keeps: how it is told, its value to the file and back. A value the
// file doesn't hold, or can't be read as the kind's, leaves the control as it is; only a hot key's
// unreadable text is read, as no key.
struct Keeper {
  TCheckControl kind;
  bool (*is)(const TControl&);
  void (*save)(TControl&, IniFile&, Section, Key);
  void (*load)(TControl&, IniFile&, Section, Key);
};

// A checked state, as 0 or 1.
template <class C>
Keeper CheckedKeeper(TCheckControl kind) {
  return {
      kind, Is<C>,
      [](TControl& c, IniFile& ini, Section s, Key k) { ini.WriteBool(s, k, As<C>(c).Checked()); },
      [](TControl& c, IniFile& ini, Section s, Key k) {
        auto& control = As<C>(c);
        control.SetChecked(ini.ReadBool(s, k, control.Checked()));
      }};
}

// The chosen item's index (a radio group clamps it to its items).
template <class C>
Keeper IndexKeeper(TCheckControl kind) {
  return {kind, Is<C>,
          [](TControl& c, IniFile& ini, Section s, Key k) {
            ini.WriteInteger(s, k, As<C>(c).ItemIndex());
          },
          [](TControl& c, IniFile& ini, Section s, Key k) {
            auto& control = As<C>(c);
            control.SetItemIndex(ini.ReadInteger(s, k, control.ItemIndex()));
          }};
}

// In the order a control is tried: the first kind it is of, among those asked for, keeps it.
const Keeper kKeepers[] = {
    {ccEdit, Is<TCustomEdit>,
     [](TControl& c, IniFile& ini, Section s, Key k) {
       WriteText(ini, s, k, As<TCustomEdit>(c).Text());
     },
     [](TControl& c, IniFile& ini, Section s, Key k) {
       if (auto text = ReadText(ini, s, k)) As<TCustomEdit>(c).SetText(*text);
     }},
    CheckedKeeper<TCustomCheckBox>(ccCheckBox),
    CheckedKeeper<TRadioButton>(ccRadioButton),
    IndexKeeper<TCustomRadioGroup>(ccRadioGroup),
    IndexKeeper<TCustomListBox>(ccListBox),
    IndexKeeper<TCustomComboBox>(ccComboBox),
    {ccColor, Is<TShape>,
     [](TControl& c, IniFile& ini, Section s, Key k) {
       ini.WriteInteger(s, k, As<TShape>(c).Brush().Color());
     },
     [](TControl& c, IniFile& ini, Section s, Key k) {
       auto& brush = As<TShape>(c).Brush();
       brush.SetColor(ini.ReadInteger(s, k, brush.Color()));
     }},
    // As text a person can edit ("Ctrl+Alt+V"); a key mistyped by hand is not registered.
    {ccHotKey, Is<THotKey>,
     [](TControl& c, IniFile& ini, Section s, Key k) {
       ini.WriteString(s, k, HotKeyToText(As<THotKey>(c).HotKey()));
     },
     [](TControl& c, IniFile& ini, Section s, Key k) {
       if (ini.ValueExists(s, k))
         As<THotKey>(c).SetHotKey(HotKeyFromText(ini.ReadString(s, k, "")));
     }},
};

}  // namespace

void WriteText(IniFile& ini, const std::string& section, const std::string& key,
               std::string_view utf8, Unstorable unstorable) {
  const unicode::Cp932Text text = unicode::Utf8ToCp932(utf8);
  if (text.error != unicode::BridgeError::None ||
      (text.placeholders.Count() != 0 && unstorable == Unstorable::Refuse))
    throw EIniFileError("「" + key + "」の文字の一部はコード ページ 932 にないため " +
                        Utf8(ini.FileName()) + " に書き込めません");
  ini.WriteString(section, key, unicode::AnsiForm(text.bytes, text.placeholders));
}

std::optional<std::string> ReadText(IniFile& ini, const std::string& section,
                                    const std::string& key, std::size_t max_bytes) {
  if (!ini.ValueExists(section, key)) return std::nullopt;
  auto text =
      unicode::Cp932ToUtf8(ini.ReadString(section, key, "", max_bytes), unicode::Placeholders{});
  if (text.error != unicode::BridgeError::None) return std::nullopt;
  return std::move(text.text);
}

void TAutoIni::WalkControls(TComponent* container, Direction direction, IniFile& ini,
                            const std::string& section) {
  auto* parent = dynamic_cast<TWinControl*>(container);
  if (!parent) InvalidCast();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl& control = *parent->Controls(i);
    const std::string& key = control.Name();
    // An unnamed control has no key to be kept under (a radio group's own buttons, say).
    const bool selected = (!FCheckTag || control.Tag() == FEnableTag) && !key.empty();
    const auto keeper = std::find_if(
        std::begin(kKeepers), std::end(kKeepers),
        [&](const Keeper& k) { return FCheckControls.Contains(k.kind) && k.is(control); });
    if (keeper != std::end(kKeepers)) {
      if (selected)
        (direction == Direction::Save ? keeper->save : keeper->load)(control, ini, section, key);
      continue;
    }
    // Containers are walked whatever their tag.
    if (auto* inner = dynamic_cast<TWinControl*>(&control); inner && inner->ControlCount() > 0)
      WalkControls(inner, direction, ini, section);
  }
}

}  // namespace kestrilon::settings
