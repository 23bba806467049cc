// The windowed side under Wine: a form is created, shown, driven by keys and clicks, and its
// values are read back from the model.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include <string>

#include "Application.h"
#include "Exceptions.h"
#include "SampleForm.h"
#include "WinPeers.h"
#include "WinTestSupport.h"
#include "WinText.h"

namespace kestrilon::framework {
namespace {

using testing::PostKey;
using testing::PumpUntil;
using testing::SampleForm;
using testing::Settle;
using win::RadioGroupButton;
using win::WindowOf;

std::wstring TextOf(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

bool IsChecked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

class WinForm : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetOnException(
        [this](TObject&, const std::exception& e) { Errors.push_back(e.what()); });
    Form = MakeForm<SampleForm>();
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(WindowOf(*Form)) != FALSE; }));
    Settle();
  }
  void TearDown() override {
    Form.reset();
    Application().SetOnException(nullptr);
  }

  // Focus on the window of control (for a radio group: its selected button), through the
  // dialog's own focus handling.
  void FocusOn(HWND window) {
    SetFocus(window);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == window; }));
  }

  std::unique_ptr<SampleForm> Form;
  std::vector<std::string> Errors;
};

TEST_F(WinForm, ShowsTheModelsValuesAndCaptions) {
  HWND form = WindowOf(*Form);
  EXPECT_EQ(TextOf(form), L"Kestrilon");
  RECT client = win::ClientRect(form);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 309);
  EXPECT_EQ(TextOf(WindowOf(*Form->CancelButton)), L"キャンセル");
  EXPECT_EQ(TextOf(RadioGroupButton(*Form->KanaMode2, 3)), L"全角かな");
  EXPECT_TRUE(IsChecked(RadioGroupButton(*Form->NumberMode, 0)));
  Form->NumberMode->SetItemIndex(7);  // clamped to the last item, and shown
  EXPECT_EQ(Form->NumberMode->ItemIndex(), 2);
  EXPECT_TRUE(IsChecked(RadioGroupButton(*Form->NumberMode, 2)));
  EXPECT_FALSE(IsChecked(RadioGroupButton(*Form->NumberMode, 0)));
  Form->TagDelete->SetChecked(true);
  EXPECT_TRUE(IsChecked(WindowOf(*Form->TagDelete)));
  EXPECT_TRUE(IsWindowVisible(WindowOf(*Form->Basic)));
  EXPECT_FALSE(IsWindowVisible(WindowOf(*Form->Extend)));
  EXPECT_TRUE(Errors.empty());
}

TEST_F(WinForm, TheUsersClicksReachTheModel) {
  int groupClicks = 0;
  Form->AlphabetMode->SetOnClick([&](TObject&) { ++groupClicks; });
  SendMessageW(RadioGroupButton(*Form->AlphabetMode, 1), BM_CLICK, 0, 0);
  Settle();
  EXPECT_EQ(Form->AlphabetMode->ItemIndex(), 1);
  EXPECT_EQ(groupClicks, 1);
  SendMessageW(WindowOf(*Form->ShowForm), BM_CLICK, 0, 0);
  Settle();
  EXPECT_TRUE(Form->ShowForm->Checked());
  SendMessageW(WindowOf(*Form->OkButton), BM_CLICK, 0, 0);
  Settle();
  EXPECT_EQ(Form->Clicks, (std::vector<std::string>{"OK"}));
}

TEST_F(WinForm, TabMovesThroughTheControlsInTabOrder) {
  FocusOn(RadioGroupButton(*Form->NumberMode, 0));
  // NumberMode, AlphabetMode, KanaMode1, KanaMode2 on the page, then the form's buttons.
  PostKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == RadioGroupButton(*Form->AlphabetMode, 0); }));
  PostKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == RadioGroupButton(*Form->KanaMode1, 0); }));
  // Tab order, not creation order, decides: KanaMode2 moved before KanaMode1.
  Form->KanaMode2->SetTabOrder(1);
  FocusOn(RadioGroupButton(*Form->NumberMode, 0));
  PostKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == RadioGroupButton(*Form->KanaMode2, 0); }));
}

TEST_F(WinForm, EnterClicksTheDefaultButtonAndEscapeTheCancelButtonOnEveryPage) {
  FocusOn(RadioGroupButton(*Form->NumberMode, 0));
  PostKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return Form->Clicks.size() == 1; }));
  Form->PageControl1->SetActivePage(Form->Extend);
  FocusOn(WindowOf(*Form->AddLI));
  PostKey(VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return Form->Clicks.size() == 2; }));
  PostKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return Form->Clicks.size() == 3; }));
  EXPECT_EQ(Form->Clicks, (std::vector<std::string>{"OK", "Cancel", "OK"}));
  EXPECT_FALSE(Form->AddLI->Checked());
}

TEST_F(WinForm, TheAcceleratorLetterTogglesItsCheckBox) {
  FocusOn(RadioGroupButton(*Form->NumberMode, 0));
  PostKey('S', true);
  ASSERT_TRUE(PumpUntil([&] { return Form->ShowForm->Checked(); }));
  EXPECT_TRUE(IsChecked(WindowOf(*Form->ShowForm)));
  EXPECT_TRUE(Form->Clicks.empty());
}

TEST_F(WinForm, ChoosingATabShowsItsPage) {
  int changes = 0;
  Form->PageControl1->SetOnChange([&](TObject&) { ++changes; });
  HWND tabs = WindowOf(*Form->PageControl1);
  RECT tab{};
  ASSERT_TRUE(SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab)));
  LPARAM point = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(tabs, WM_LBUTTONUP, 0, point);
  ASSERT_TRUE(PumpUntil([&] { return Form->PageControl1->ActivePage() == Form->Extend; }));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(IsWindowVisible(WindowOf(*Form->Extend)));
  EXPECT_FALSE(IsWindowVisible(WindowOf(*Form->Basic)));
}

TEST_F(WinForm, AnExceptionInAClickHandlerReachesTheHandlerAndTheLoopGoesOn) {
  Form->OkButton->SetOnClick([](TObject&) { throw Exception("OKの処理に失敗しました"); });
  PostMessageW(WindowOf(*Form->OkButton), BM_CLICK, 0, 0);
  PostMessageW(WindowOf(*Form->CancelButton), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !Form->Clicks.empty(); }));
  EXPECT_EQ(Errors, (std::vector<std::string>{"OKの処理に失敗しました"}));
  EXPECT_EQ(Form->Clicks, (std::vector<std::string>{"Cancel"}));
}

TEST_F(WinForm, TheCloseBoxAsksOnCloseQueryAndHides) {
  bool allow = false;
  Form->SetOnCloseQuery([&](TObject&, bool& canClose) { canClose = allow; });
  SendMessageW(WindowOf(*Form), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Form->Visible());
  EXPECT_TRUE(IsWindowVisible(WindowOf(*Form)));
  allow = true;
  SendMessageW(WindowOf(*Form), WM_CLOSE, 0, 0);
  EXPECT_FALSE(Form->Visible());
  EXPECT_FALSE(IsWindowVisible(WindowOf(*Form)));
}

TEST_F(WinForm, AMessageHandlerReplacesTheFormsOwnHandling) {
  int calls = 0;
  Form->SetMessageHandler(WM_QUERYENDSESSION, [&](TMessage& m) {
    ++calls;
    Form->Hide();
    m.Result = 0;
  });
  LRESULT result = SendMessageW(WindowOf(*Form), WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(IsWindowVisible(WindowOf(*Form)));
}

TEST_F(WinForm, MovingTheWindowUpdatesTheModel) {
  SetWindowPos(WindowOf(*Form), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ASSERT_TRUE(PumpUntil([&] { return Form->Left() == 30 && Form->Top() == 40; }));
  Form->SetLeft(50);
  EXPECT_EQ(win::WindowRect(WindowOf(*Form)).left, 50);
}

TEST(WinFormLifetime, DestroyingAShownFormDestroysItsWindowsAndComponentsLastFirst) {
  std::vector<std::string> freed;
  class Noisy : public TCheckBox {
   public:
    Noisy(TComponent* owner, std::vector<std::string>& log) : TCheckBox(owner), FLog(log) {}
    ~Noisy() override { FLog.push_back(Name()); }
    std::vector<std::string>& FLog;
  };
  auto form = MakeForm<SampleForm>();
  auto* first = new Noisy(form.get(), freed);
  first->SetName("First");
  first->SetParent(form->HTMLGroup);
  auto* second = new Noisy(form.get(), freed);
  second->SetName("Second");
  second->SetParent(form.get());
  form->Show();
  HWND formWindow = WindowOf(*form);
  HWND groupWindow = WindowOf(*form->HTMLGroup);
  HWND firstWindow = WindowOf(*first);
  ASSERT_TRUE(IsWindow(firstWindow));
  form.reset();
  EXPECT_EQ(freed, (std::vector<std::string>{"Second", "First"}));
  EXPECT_FALSE(IsWindow(firstWindow));
  EXPECT_FALSE(IsWindow(groupWindow));
  EXPECT_FALSE(IsWindow(formWindow));
}

TEST(WinFont, TheDialogFontResolvesToAnInstalledJapaneseFace) {
  auto form = MakeForm<SampleForm>();
  HWND box = WindowOf(*form->ShowForm);
  auto font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  win::WindowDC dc(box);
  win::SelectedObject selected(dc.Get(), font);
  wchar_t face[LF_FACESIZE] = {};
  ASSERT_GT(GetTextFaceW(dc.Get(), LF_FACESIZE, face), 0);
  // Every character of the caption has a glyph in that face: none drawn as a box.
  std::wstring caption = win::Widen(form->ShowForm->Caption());
  std::vector<WORD> glyphs(caption.size());
  ASSERT_NE(GetGlyphIndicesW(dc.Get(), caption.c_str(), static_cast<int>(caption.size()),
                             glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS),
            GDI_ERROR);
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for character " << i << " in " << win::Narrow(face);
  }
  std::printf("dialog font: %s\n", win::Narrow(face).c_str());
}

}  // namespace
}  // namespace kestrilon::framework

namespace kestrilon::framework {
namespace {

// The application's own loop: an exception from a click handler goes to the handler, the loop
// goes on, and closing the main form ends it.
TEST(ApplicationLoop, GoesOnAfterAnExceptionAndEndsWhenTheMainFormCloses) {
  std::vector<std::string> errors;
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  auto* form = Application().CreateForm<testing::SampleForm>();
  ASSERT_EQ(Application().MainForm(), form);
  int closeQueries = 0;
  form->SetOnCloseQuery([&](TObject&, bool&) { ++closeQueries; });
  form->OkButton->SetOnClick([](TObject&) { throw EOutOfResources("資源が足りません"); });
  form->CancelButton->SetOnClick([form](TObject&) { form->Close(); });
  Application().SetShowMainForm(true);
  // Queued before the loop runs: the failing click first, then the one that closes.
  PostMessageW(win::WindowOf(*form->OkButton), BM_CLICK, 0, 0);
  PostMessageW(win::WindowOf(*form->CancelButton), BM_CLICK, 0, 0);
  Application().Run();
  EXPECT_TRUE(Application().Terminated());
  EXPECT_EQ(errors, (std::vector<std::string>{"資源が足りません"}));
  EXPECT_EQ(closeQueries, 1);
  EXPECT_TRUE(form->Visible());  // closing the main form ends the loop; it doesn't hide or free it
  delete form;
  EXPECT_EQ(Application().MainForm(), nullptr);
  Application().SetOnException(nullptr);
}

}  // namespace
}  // namespace kestrilon::framework
