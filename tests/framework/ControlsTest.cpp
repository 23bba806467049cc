#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Exceptions.h"
#include "Forms.h"
#include "StdControls.h"

namespace kestrilon::framework {
namespace {

std::vector<std::string> ChildNames(const TWinControl& parent) {
  std::vector<std::string> names;
  for (int i = 0; i < parent.ControlCount(); ++i) names.push_back(parent.Controls(i)->Name());
  return names;
}

template <class T>
T* Make(TWinControl& parent, const char* name) {
  auto* control = new T(&parent);
  control->SetName(name);
  control->SetParent(&parent);
  return control;
}

TEST(ChildOrder, NonWindowedChildrenComeFirstThenWindowedEachInInsertionOrder) {
  TForm form(nullptr);
  Make<TCheckBox>(form, "Check1");
  Make<TShape>(form, "Shape1");
  Make<TRadioGroup>(form, "Group1");
  Make<TLabel>(form, "Label1");
  Make<TButton>(form, "Button1");
  EXPECT_EQ(ChildNames(form),
            (std::vector<std::string>{"Shape1", "Label1", "Check1", "Group1", "Button1"}));
  EXPECT_THROW(form.Controls(5), EListError);
  EXPECT_THROW(form.Controls(-1), EListError);
}

TEST(ChildOrder, ZOrderChangesMoveAChildWithinItsKind) {
  TForm form(nullptr);
  auto* a = Make<TCheckBox>(form, "A");
  Make<TCheckBox>(form, "B");
  auto* c = Make<TCheckBox>(form, "C");
  auto* s1 = Make<TShape>(form, "S1");
  Make<TShape>(form, "S2");
  a->BringToFront();
  c->SendToBack();
  s1->BringToFront();
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"S2", "S1", "C", "B", "A"}));
}

TEST(ChildOrder, ReparentingMovesToTheEndAndDeletingLeavesTheParent) {
  TForm form(nullptr);
  auto* group = Make<TGroupBox>(form, "Group");
  auto* moving = Make<TCheckBox>(form, "Moving");
  Make<TCheckBox>(*group, "Inside");
  moving->SetParent(group);
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"Group"}));
  EXPECT_EQ(ChildNames(*group), (std::vector<std::string>{"Inside", "Moving"}));
  EXPECT_TRUE(form.ContainsControl(*moving));
  delete moving;
  EXPECT_EQ(ChildNames(*group), (std::vector<std::string>{"Inside"}));
  EXPECT_THROW(form.SetParent(group), EInvalidOperation);
}

TEST(ChildOrder, AParentLeavesChildrenOfOtherOwnersAliveWithoutParent) {
  TForm keeper(nullptr);
  auto* check = new TCheckBox(&keeper);
  auto* shape = new TShape(&keeper);
  {
    TGroupBox group(nullptr);
    check->SetParent(&group);
    shape->SetParent(&group);
  }
  EXPECT_EQ(check->Parent(), nullptr);
  EXPECT_EQ(shape->Parent(), nullptr);
}

TEST(TabOrder, FollowsInsertionAndCanBeChanged) {
  TForm form(nullptr);
  auto* a = Make<TButton>(form, "A");
  auto* b = Make<TButton>(form, "B");
  auto* c = Make<TButton>(form, "C");
  EXPECT_EQ(b->TabOrder(), 1);
  c->SetTabOrder(0);
  EXPECT_EQ(form.TabList(), (std::vector<TWinControl*>{c, a, b}));
  a->SetTabOrder(99);  // out of range: last
  EXPECT_EQ(form.TabList(), (std::vector<TWinControl*>{c, b, a}));
  // Tab order doesn't change the child order.
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"A", "B", "C"}));
}

TEST(Font, ChildrenUseTheParentFontUntilGivenTheirOwn) {
  TForm form(nullptr);
  form.SetFont(TFont("Noto Sans CJK JP", -16));
  auto* check = Make<TCheckBox>(form, "Check");
  EXPECT_EQ(check->Font().Name(), "Noto Sans CJK JP");
  check->SetFont(TFont("Other", -9));
  EXPECT_EQ(check->Font().Height(), -9);
  EXPECT_EQ(form.Font().Height(), -16);
}

struct RadioCase {
  int items;
  int set;
  int expected;
};

TEST(RadioGroup, ItemIndexIsClamped) {
  // clang-format off
  const RadioCase cases[] = {
      {3, 0, 0}, {3, 2, 2}, {3, 3, 2}, {3, 7, 2}, {3, -1, -1}, {3, -5, -1},
      {1, 1, 0}, {0, 0, -1}, {0, 5, -1}, {0, -2, -1},
  };
  // clang-format on
  for (const RadioCase& c : cases) {
    TRadioGroup group(nullptr);
    for (int i = 0; i < c.items; ++i) group.Items().Add("item" + std::to_string(i));
    group.SetItemIndex(c.set);
    EXPECT_EQ(group.ItemIndex(), c.expected) << c.items << " items, set " << c.set;
  }
}

TEST(RadioGroup, ShrinkingTheItemsClampsTheIndex) {
  TRadioGroup group(nullptr);
  group.Items().SetText("そのまま\n半角\n全角\n");
  group.SetItemIndex(2);
  group.Items().Delete(2);
  EXPECT_EQ(group.ItemIndex(), 1);
  group.Items().Clear();
  EXPECT_EQ(group.ItemIndex(), -1);
}

TEST(ListAndCombo, AnIndexOutsideTheItemsSelectsNothing) {
  TListBox list(nullptr);
  TComboBox combo(nullptr);
  for (TStrings* items : {&list.Items(), &combo.Items()}) items->SetText("a\nb\n");
  const int cases[][2] = {{0, 0}, {1, 1}, {2, -1}, {-1, -1}, {-3, -1}};
  for (const auto& c : cases) {
    list.SetItemIndex(c[0]);
    combo.SetItemIndex(c[0]);
    EXPECT_EQ(list.ItemIndex(), c[1]) << c[0];
    EXPECT_EQ(combo.ItemIndex(), c[1]) << c[0];
  }
  list.SetItemIndex(1);
  list.Items().Delete(1);
  EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(Values, CheckBoxEditAndShapeHoldTheirValues) {
  TForm form(nullptr);
  auto* check = Make<TCheckBox>(form, "Check");
  auto* edit = Make<TEdit>(form, "Edit");
  auto* shape = Make<TShape>(form, "Shape");
  int changes = 0;
  edit->SetOnChange([&](TObject&) { ++changes; });
  int clicks = 0;
  check->SetOnClick([&](TObject&) { ++clicks; });
  check->SetChecked(true);
  edit->SetText("全角テキスト");
  edit->SetText("全角テキスト");
  shape->Brush().SetColor(clBtnFace);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(clicks, 0);  // only the user's clicks raise OnClick
  EXPECT_EQ(edit->Text(), "全角テキスト");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(shape->Brush().Color(), clBtnFace);
  check->Click();
  EXPECT_EQ(clicks, 1);
}

TEST(Values, CheckingARadioButtonUnchecksItsSiblingsOnly) {
  TForm form(nullptr);
  auto* box = Make<TGroupBox>(form, "Box");
  auto* r1 = Make<TRadioButton>(*box, "R1");
  auto* r2 = Make<TRadioButton>(*box, "R2");
  auto* outside = Make<TRadioButton>(form, "Outside");
  r1->SetChecked(true);
  outside->SetChecked(true);
  r2->SetChecked(true);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
  EXPECT_TRUE(outside->Checked());
}

TEST(PageControl, PagesInOrderFirstActiveAndRemovalMovesTheActivePage) {
  TForm form(nullptr);
  auto* pages = Make<TPageControl>(form, "PageControl1");
  auto* basic = new TTabSheet(&form);
  basic->SetName("Basic");
  basic->SetPageControl(pages);
  auto* extend = new TTabSheet(&form);
  extend->SetName("Extend");
  extend->SetPageControl(pages);
  ASSERT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), basic);
  EXPECT_TRUE(basic->Visible());
  EXPECT_FALSE(extend->Visible());
  EXPECT_EQ(extend->PageIndex(), 1);
  EXPECT_EQ(ChildNames(*pages), (std::vector<std::string>{"Basic", "Extend"}));
  pages->SetActivePageIndex(1);
  EXPECT_TRUE(extend->Visible());
  EXPECT_FALSE(basic->Visible());
  TTabSheet stranger(nullptr);
  EXPECT_THROW(pages->SetActivePage(&stranger), EInvalidOperation);
  delete extend;
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(pages->ActivePage(), basic);
  EXPECT_THROW(pages->Pages(1), EListError);
}

TEST(Form, DefaultAndCancelButtonsAreFoundOnAnyPage) {
  TForm form(nullptr);
  auto* pages = Make<TPageControl>(form, "Pages");
  auto* page = new TTabSheet(&form);
  page->SetPageControl(pages);
  auto* ok = Make<TButton>(*page, "Ok");
  auto* cancel = Make<TButton>(form, "Cancel");
  EXPECT_EQ(form.DefaultButton(), nullptr);
  ok->SetDefault(true);
  cancel->SetCancel(true);
  EXPECT_EQ(form.DefaultButton(), ok);
  EXPECT_EQ(form.CancelButton(), cancel);
  cancel->SetEnabled(false);
  EXPECT_EQ(form.CancelButton(), nullptr);
}

class SampleForm : public TForm {
 public:
  explicit SampleForm(TComponent* owner) : TForm(owner) {
    SetName("Form1");
    Show1 = new TCheckBox(this);
    Show1->SetName("ShowForm");
    Show1->SetParent(this);
    SetOnCreate([this](TObject&) {
      CreatedWhileLoading = Show1->IsLoading();
      ++Created;
    });
  }
  TCheckBox* Show1;
  bool CreatedWhileLoading = true;
  int Created = 0;
};

TEST(Form, IsLoadingUntilAfterConstructionThenRaisesOnCreateOnce) {
  auto form = MakeForm<SampleForm>();
  EXPECT_EQ(form->Created, 1);
  EXPECT_FALSE(form->CreatedWhileLoading);
  EXPECT_FALSE(form->IsLoading());
  EXPECT_FALSE(form->Visible());
}

TEST(Form, CloseAsksOnCloseQueryAndHidesWhenAllowed) {
  auto form = MakeForm<SampleForm>();
  form->Show();
  ASSERT_TRUE(form->Visible());
  bool allow = false;
  int asked = 0;
  form->SetOnCloseQuery([&](TObject&, bool& canClose) {
    EXPECT_TRUE(canClose);  // preset
    ++asked;
    canClose = allow;
  });
  form->Close();
  EXPECT_TRUE(form->Visible());
  allow = true;
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(asked, 2);
}

TEST(Form, ScalingForPixelsPerInchScalesEveryBoundAndTheFontAndComesBackExactly) {
  TForm form(nullptr);
  form.SetFont(TFont("Sample", -12));
  form.SetClientWidth(400);
  form.SetClientHeight(309);
  form.SetBounds(192, 107, form.Width(), form.Height());
  auto* group = Make<TGroupBox>(form, "Group");
  group->SetBounds(8, 8, 185, 105);
  auto* check = Make<TCheckBox>(*group, "Check");
  check->SetBounds(8, 48, 168, 17);
  auto* own = Make<TButton>(form, "Own");
  own->SetFont(TFont("Other", -9));
  own->SetBounds(240, 280, 75, 22);
  EXPECT_EQ(form.PixelsPerInch(), 96);

  form.ScaleForPixelsPerInch(144);
  EXPECT_EQ(form.PixelsPerInch(), 144);
  EXPECT_EQ(std::vector<int>({form.Left(), form.Top(), form.ClientWidth(), form.ClientHeight()}),
            std::vector<int>({192, 107, 600, 464}));  // the place on the screen stays
  EXPECT_EQ(std::vector<int>({group->Left(), group->Top(), group->Width(), group->Height()}),
            std::vector<int>({12, 12, 278, 158}));
  EXPECT_EQ(std::vector<int>({check->Left(), check->Top(), check->Width(), check->Height()}),
            std::vector<int>({12, 72, 252, 26}));
  EXPECT_EQ(form.Font().Height(), -18);
  EXPECT_EQ(check->Font().Height(), -18);  // through its parents
  EXPECT_EQ(own->Font().Height(), -14);    // its own, scaled once

  form.ScaleForPixelsPerInch(144);  // the same density again changes nothing
  EXPECT_EQ(check->Width(), 252);
  form.ScaleForPixelsPerInch(96);
  EXPECT_EQ(std::vector<int>({check->Left(), check->Top(), check->Width(), check->Height()}),
            std::vector<int>({8, 48, 168, 17}));
  EXPECT_EQ(std::vector<int>({form.ClientWidth(), form.ClientHeight()}),
            std::vector<int>({400, 309}));
  EXPECT_EQ(form.Font().Height(), -12);
  form.ScaleForPixelsPerInch(0);  // no density known: the layout stays
  EXPECT_EQ(form.PixelsPerInch(), 96);
}

TEST(Form, MessageHandlersAreSetAndRemoved) {
  TForm form(nullptr);
  int calls = 0;
  form.SetMessageHandler(0x0011, [&](TMessage& m) { m.Result = ++calls; });
  const TMessageHandler* handler = form.MessageHandler(0x0011);
  ASSERT_NE(handler, nullptr);
  TMessage message{0x0011, 0, 0, 0};
  (*handler)(message);
  EXPECT_EQ(message.Result, 1);
  EXPECT_EQ(form.MessageHandler(0x0012), nullptr);
  form.SetMessageHandler(0x0011, nullptr);
  EXPECT_EQ(form.MessageHandler(0x0011), nullptr);
}

TEST(Form, DestroyingTheFormFreesItsControlsLastCreatedFirst) {
  std::vector<std::string> freed;
  class Noisy : public TCheckBox {
   public:
    Noisy(TComponent* owner, std::vector<std::string>& log) : TCheckBox(owner), FLog(log) {}
    ~Noisy() override { FLog.push_back(Name()); }
    std::vector<std::string>& FLog;
  };
  {
    TForm form(nullptr);
    auto* box = Make<TGroupBox>(form, "Box");
    auto* inner = new Noisy(&form, freed);
    inner->SetName("Inner");
    inner->SetParent(box);
    auto* outer = new Noisy(&form, freed);
    outer->SetName("Outer");
    outer->SetParent(&form);
  }
  EXPECT_EQ(freed, (std::vector<std::string>{"Outer", "Inner"}));
}

}  // namespace
}  // namespace kestrilon::framework
