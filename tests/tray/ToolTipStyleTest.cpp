// The tooltip style's click discrimination, icon box and enter/leave rules, fed with the hidden
// window's message records, a fake timer and a fake cursor.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Exceptions.h"
#include "ToolTipStyle.h"

namespace kestrilon::tray {
namespace {

constexpr TWindowId Window = 0x1234;
constexpr TWindowId ToolTip = 0x5678;

struct Sent {
  std::uintptr_t WParam;
  std::intptr_t LParam;
  bool operator==(const Sent&) const = default;
};

struct ToolTipCall {
  std::uint32_t Message;
  std::uintptr_t WParam;
  bool operator==(const ToolTipCall&) const = default;
};

// What the style did to the system; it outlives the style so that destruction can be checked.
struct Record {
  std::optional<TTrayPoint> Cursor = TTrayPoint{500, 780};
  bool TimerCanStart = true;
  int TimersStarted = 0;
  int TimersKilled = 0;
  std::vector<Sent> SentMessages;
  std::vector<Sent> PostedMessages;
  TWindowId TrayToolTip = 0;
  std::vector<ToolTipCall> ToolTipCalls;
  int TrackersCreated = 0;
  int Resumes = 0;
  bool TrackerSuspended = true;
};

class FakeTracker : public TLeaveTracker {
 public:
  explicit FakeTracker(Record& record) : FRecord(record) {}
  bool Suspended() const override { return FRecord.TrackerSuspended; }
  void Resume() override {
    ++FRecord.Resumes;
    FRecord.TrackerSuspended = false;
  }

 private:
  Record& FRecord;
};

class FakeHost : public TToolTipHost {
 public:
  explicit FakeHost(std::shared_ptr<Record> record) : R(std::move(record)) {}
  std::optional<TTrayPoint> CursorPos() override { return R->Cursor; }
  bool StartClickTimer(TWindowId window) override {
    EXPECT_EQ(window, Window);
    if (R->TimerCanStart) ++R->TimersStarted;
    return R->TimerCanStart;
  }
  void KillClickTimer(TWindowId) override { ++R->TimersKilled; }
  void SendTrayMessage(TWindowId window, std::uintptr_t w, std::intptr_t l) override {
    EXPECT_EQ(window, Window);
    R->SentMessages.push_back({w, l});
  }
  void PostTrayMessage(TWindowId window, std::uintptr_t w, std::intptr_t l) override {
    EXPECT_EQ(window, Window);
    R->PostedMessages.push_back({w, l});
  }
  TWindowId FindTrayToolTip() override { return R->TrayToolTip; }
  void SendToolTip(TWindowId toolTip, std::uint32_t message, std::uintptr_t wParam) override {
    EXPECT_EQ(toolTip, ToolTip);
    R->ToolTipCalls.push_back({message, wParam});
  }
  std::uint32_t SystemColor(int index) override {
    return 0x100u + static_cast<std::uint32_t>(index);
  }
  std::unique_ptr<TLeaveTracker> CreateLeaveTracker(TCustomToolTipStyle&) override {
    ++R->TrackersCreated;
    R->TrackerSuspended = true;  // made suspended
    return std::make_unique<FakeTracker>(*R);
  }

 private:
  std::shared_ptr<Record> R;
};

struct Fixture {
  std::shared_ptr<Record> R = std::make_shared<Record>();
  std::unique_ptr<TToolTipStyle> Style;

  explicit Fixture(TWindowId toolTip = 0) {
    R->TrayToolTip = toolTip;
    Style = std::make_unique<TToolTipStyle>(std::make_unique<FakeHost>(R));
    Style->SetNotifyWnd(Window);
  }
  // A notice of the shell about the icon (wParam = its identifier).
  void Shell(std::intptr_t mouse) { Style->HandleMessage({WM_TASKTRAY, 1, mouse, 0}); }
  void Timer(std::uintptr_t id = ClickTimerID) { Style->HandleMessage({msg::Timer, id, 0, 0}); }
  // Hands the posted messages to the style, as the message loop would.
  void DeliverPosted() {
    auto posted = std::move(R->PostedMessages);
    R->PostedMessages.clear();
    for (const Sent& p : posted) Style->HandleMessage({WM_TASKTRAY, p.WParam, p.LParam, 0});
  }
  std::vector<Sent> Clicks() const {
    std::vector<Sent> clicks;
    for (const Sent& s : R->SentMessages) {
      if (s.LParam == TRAY_MOUSECLICK) clicks.push_back(s);
    }
    return clicks;
  }
};

// One step of a mouse script: a shell notice, the timer firing, or the posted messages arriving.
enum Step { LDown, LUp, LDbl, RDown, RUp, RDbl, MDown, MUp, Tick, Posted };

void Play(Fixture& f, const std::vector<Step>& script) {
  // The shell's notice of each step up to MUp, in the order of Step.
  constexpr std::intptr_t notice[] = {msg::LButtonDown, msg::LButtonUp, msg::LButtonDblClk,
                                      msg::RButtonDown, msg::RButtonUp, msg::RButtonDblClk,
                                      msg::MButtonDown, msg::MButtonUp};
  for (Step step : script) {
    if (step == Tick) {
      f.Timer();
    } else if (step == Posted) {
      f.DeliverPosted();
    } else {
      f.Shell(notice[step]);
    }
  }
}

struct ClickCase {
  const char* Name;
  bool CheckSingleDoubleClick;
  std::vector<Step> Script;
  std::vector<std::uintptr_t> ClickedButtons;  // in the order reported
};

TEST(ClickDiscrimination, ScriptsOfShellNoticesGiveTheseClicks) {
  // clang-format off
  const ClickCase cases[] = {
      {"single left click, after the timer", true, {LDown, LUp, Tick}, {0}},
      {"no click before the timer fires", true, {LDown, LUp}, {}},
      {"double click: none", true, {LDown, LUp, LDbl, Posted, LUp, Tick}, {}},
      {"two single clicks further apart", true, {LDown, LUp, Tick, LDown, LUp, Tick}, {0, 0}},
      {"right click reports the right button", true, {RDown, RUp, Tick}, {1}},
      {"middle click", true, {MDown, MUp, Tick}, {2}},
      {"release without a press on the icon", true, {LUp, Tick}, {}},
      {"release without a press, no timer", false, {LUp}, {}},
      {"at once without discrimination", false, {LDown, LUp}, {0}},
      {"double click without discrimination: the first release only", false,
       {LDown, LUp, LDbl, Posted, LUp}, {0}},
      {"right double click: none", true, {RDown, RUp, RDbl, Posted, RUp, Tick}, {}},
      {"a press held after a double click", true, {LDown, LUp, LDbl, Posted, LDown, Tick}, {}},
  };
  // clang-format on
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Fixture f;
    f.Style->SetCheckSingleDoubleClick(c.CheckSingleDoubleClick);
    Play(f, c.Script);
    std::vector<std::uintptr_t> buttons;
    for (const Sent& click : f.Clicks()) buttons.push_back(click.WParam);
    EXPECT_EQ(buttons, c.ClickedButtons);
    // Only a timer that is yet to fire leaves a click pending.
    EXPECT_EQ(f.Style->ClickPending(), c.CheckSingleDoubleClick && c.Script.back() == LUp);
  }
}

TEST(ClickDiscrimination, ADoubleClickRepostsThePressMarkedAsNotFromTheShell) {
  Fixture f;
  Play(f, {LDown, LUp, LDbl});
  EXPECT_EQ(f.R->PostedMessages,
            (std::vector<Sent>{{static_cast<std::uintptr_t>(-1), msg::LButtonDown}}));
  f.DeliverPosted();
  EXPECT_EQ(f.Style->MouseState() & msLeftDown, 0);  // the re-posted press marks nothing
  // A 32-bit shell's -1 is 0xFFFFFFFF: also not from the shell.
  f.Style->HandleMessage({WM_TASKTRAY, 0xFFFFFFFFu, msg::RButtonDown, 0});
  EXPECT_EQ(f.Style->MouseState() & msRightDown, 0);
}

TEST(ClickDiscrimination, AReleaseWhileTheTimerRunsStartsNoSecondTimer) {
  Fixture f;
  Play(f, {LDown, LUp, LDown, LUp});
  EXPECT_EQ(f.R->TimersStarted, 1);
  Play(f, {Tick});
  EXPECT_EQ(f.Clicks().size(), 1u);
}

TEST(ClickDiscrimination, AnyTimerMessageStopsTheClickTimerAndReportsThePendingClick) {
  Fixture f;
  Play(f, {RDown, RUp});
  f.Timer(99);
  EXPECT_EQ(f.R->TimersKilled, 1);
  EXPECT_EQ(f.Clicks(), (std::vector<Sent>{{1, TRAY_MOUSECLICK}}));
  f.Timer();  // nothing pending: killed again, no click
  EXPECT_EQ(f.R->TimersKilled, 2);
  EXPECT_EQ(f.Clicks().size(), 1u);
}

TEST(ClickDiscrimination, ATimerThatCannotStartLeavesNothingPending) {
  Fixture f;
  f.R->TimerCanStart = false;
  Play(f, {LDown, LUp});
  EXPECT_FALSE(f.Style->ClickPending());
  Play(f, {Tick});
  EXPECT_TRUE(f.Clicks().empty());
}

TEST(ClickDiscrimination, WithoutAWindowNothingIsSent) {
  Fixture f;
  f.Style->SetNotifyWnd(0);
  f.Style->SetCheckSingleDoubleClick(false);
  Play(f, {LDown, LUp});
  EXPECT_TRUE(f.R->SentMessages.empty());
  EXPECT_EQ(f.Style->MouseState() & msLeftDown, 0);
}

struct BoxCase {
  const char* Name;
  std::vector<TTrayPoint> Moves;
  TTrayRect Expected;
};

TEST(IconBox, MovesOverTheIconGrowTheBoxUpTo32Pixels) {
  const BoxCase cases[] = {
      {"first move: one point", {{100, 200}}, {100, 200, 100, 200}},
      {"grows both ways", {{100, 200}, {90, 210}, {116, 195}}, {90, 195, 116, 210}},
      {"32 wide is still one icon", {{100, 200}, {132, 200}}, {100, 200, 132, 200}},
      {"33 wide restarts at the point", {{100, 200}, {133, 200}}, {133, 200, 133, 200}},
      {"33 high restarts at the point", {{100, 200}, {100, 167}}, {100, 167, 100, 167}},
      {"the point (0, 0) leaves the box empty", {{0, 0}}, {0, 0, 0, 0}},
      {"after (0, 0) the next point starts the box", {{0, 0}, {5, 6}}, {5, 6, 5, 6}},
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Fixture f;
    for (TTrayPoint p : c.Moves) {
      f.R->Cursor = p;
      f.Shell(msg::MouseMove);
    }
    EXPECT_EQ(f.Style->IconRect(), c.Expected);
  }
}

TEST(IconBox, AMoveWithoutACursorPositionChangesNoBoxButStillEnters) {
  Fixture f;
  f.R->Cursor.reset();
  f.Shell(msg::MouseMove);
  EXPECT_TRUE(f.Style->IconRect().Empty());
  EXPECT_TRUE(f.Style->MouseInside());
}

TEST(EnterAndLeave, TheFirstMoveEntersAndTheCheckReportsLeavingOnlyOutsideTheBox) {
  Fixture f;
  f.R->Cursor = TTrayPoint{100, 200};
  f.Shell(msg::MouseMove);
  f.R->Cursor = TTrayPoint{110, 216};
  f.Shell(msg::MouseMove);
  EXPECT_EQ(f.R->SentMessages, (std::vector<Sent>{{0, TRAY_MOUSEENTER}}));
  EXPECT_EQ(f.R->TrackersCreated, 1);
  EXPECT_FALSE(f.R->TrackerSuspended);

  f.R->Cursor = TTrayPoint{100, 216};  // on the box's corner: inside
  f.Style->CheckMouseLeave();
  EXPECT_TRUE(f.Style->MouseInside());
  f.R->Cursor.reset();  // the system can't tell: nothing decided
  f.Style->CheckMouseLeave();
  EXPECT_TRUE(f.Style->MouseInside());
  f.R->Cursor = TTrayPoint{111, 216};
  f.Style->CheckMouseLeave();
  EXPECT_FALSE(f.Style->MouseInside());
  EXPECT_EQ(f.R->SentMessages.back(), (Sent{0, TRAY_MOUSEEXIT}));
  f.Style->CheckMouseLeave();  // outside already: no second exit
  EXPECT_EQ(f.R->SentMessages.size(), 2u);

  // Coming back resumes the same tracker.
  f.R->TrackerSuspended = true;
  f.Shell(msg::MouseMove);
  EXPECT_EQ(f.R->TrackersCreated, 1);
  EXPECT_EQ(f.R->Resumes, 2);
  EXPECT_EQ(f.R->SentMessages.back(), (Sent{0, TRAY_MOUSEENTER}));
}

TEST(ToolTipColours, UseDefaultLeavesTheShellsTooltipAloneUntilTheStyleGoes) {
  Fixture f(ToolTip);
  f.Shell(msg::MouseMove);
  f.R->Cursor = TTrayPoint{0, 0};
  f.Style->CheckMouseLeave();
  EXPECT_TRUE(f.R->ToolTipCalls.empty());
  auto record = f.R;
  f.Style.reset();
  EXPECT_EQ(record->ToolTipCalls,
            (std::vector<ToolTipCall>{{tooltip::Pop, 0},
                                      {tooltip::SetTipBkColor, 0x100 + tooltip::ColorInfoBk},
                                      {tooltip::SetTipTextColor, 0x100 + tooltip::ColorInfoText}}));
}

TEST(ToolTipColours, OwnColoursWhileTheCursorIsOverTheIcon) {
  Fixture f(ToolTip);
  f.Style->SetUseDefault(false);
  f.Style->SetBackGroundColor(framework::clBlack);
  f.Style->SetTextColor(framework::clWhite);
  f.Shell(msg::MouseMove);
  EXPECT_EQ(f.R->ToolTipCalls, (std::vector<ToolTipCall>{{tooltip::SetTipBkColor, 0x000000},
                                                         {tooltip::SetTipTextColor, 0xFFFFFF}}));
  f.R->ToolTipCalls.clear();
  f.R->Cursor = TTrayPoint{0, 0};
  f.Style->CheckMouseLeave();
  EXPECT_EQ(f.R->ToolTipCalls,
            (std::vector<ToolTipCall>{{tooltip::Pop, 0},
                                      {tooltip::SetTipBkColor, 0x100 + tooltip::ColorInfoBk},
                                      {tooltip::SetTipTextColor, 0x100 + tooltip::ColorInfoText}}));
}

TEST(ToolTipColours, SystemColoursAreSentAsTheirRgbValues) {
  Fixture f(ToolTip);
  f.Style->SetUseDefault(false);
  f.Shell(msg::MouseMove);  // at first black on clWindowText, a system colour
  EXPECT_EQ(f.R->ToolTipCalls, (std::vector<ToolTipCall>{{tooltip::SetTipBkColor, 0x000000},
                                                         {tooltip::SetTipTextColor, 0x100 + 8}}));
}

TEST(ToolTipColours, WithoutTheTraysTooltipNothingIsSentAndTrackingStillWorks) {
  Fixture f(0);
  f.Style->SetUseDefault(false);
  f.Shell(msg::MouseMove);
  f.R->Cursor = TTrayPoint{0, 0};
  f.Style->CheckMouseLeave();
  EXPECT_TRUE(f.R->ToolTipCalls.empty());
  EXPECT_EQ(f.R->SentMessages, (std::vector<Sent>{{0, TRAY_MOUSEENTER}, {0, TRAY_MOUSEEXIT}}));
}

TEST(ToolTipStyleProperties, IndexedColoursAndAssign) {
  Fixture a;
  EXPECT_EQ(a.Style->GetColor(0), 0);
  EXPECT_EQ(a.Style->GetColor(3), 0);
  a.Style->SetColor(3, framework::clRed);  // ignored
  EXPECT_EQ(a.Style->BackGroundColor(), framework::clBlack);

  Fixture b;
  b.Style->SetUseDefault(false);
  b.Style->SetBackGroundColor(framework::clNavy);
  b.Style->SetTextColor(framework::clWhite);
  a.Style->Assign(*b.Style);
  EXPECT_FALSE(a.Style->UseDefault());
  EXPECT_EQ(a.Style->BackGroundColor(), framework::clNavy);
  EXPECT_EQ(a.Style->TextColor(), framework::clWhite);
  EXPECT_TRUE(a.R->ToolTipCalls.empty());

  framework::TPersistent other;
  EXPECT_THROW(a.Style->Assign(other), framework::EConvertError);
}

}  // namespace
}  // namespace kestrilon::tray
