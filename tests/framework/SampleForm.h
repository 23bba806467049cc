// A dialog like the program's options dialog, in miniature: a page control with two pages,
// radio groups, a group box with check boxes, a check box with an accelerator letter, and the
// default and cancel buttons. The Windows tests drive it; the screenshot shows it.
#pragma once

#include <string>
#include <vector>

#include "Forms.h"
#include "StdControls.h"

namespace kestrilon::framework::testing {

class SampleForm : public TForm {
 public:
  explicit SampleForm(TComponent* owner) : TForm(owner) {
    SetName("Form1");
    SetCaption("Kestrilon");
    SetBorderStyle(bsDialog);
    SetFont(TFont("ＭＳ Ｐゴシック", -12, SHIFTJIS_CHARSET_ID));
    SetBounds(192, 107, 0, 0);
    SetClientWidth(400);
    SetClientHeight(309);

    PageControl1 = Make<TPageControl>(this, "PageControl1", 0, 0, 400, 273);
    Basic = Page("Basic", "基本設定");
    NumberMode = Group(Basic, "NumberMode", "数字", 8, 8, 73, {"そのまま", "半角", "全角"});
    AlphabetMode = Group(Basic, "AlphabetMode", "英字", 8, 88, 73, {"そのまま", "半角", "全角"});
    KanaMode1 = Group(Basic, "KanaMode1", "かな", 104, 8, 73, {"そのまま", "半角カナ", "全角カナ"});
    KanaMode2 = Group(Basic, "KanaMode2", "カナ", 200, 8, 93,
                      {"そのまま", "半角カナ", "全角カナ", "全角かな"});
    Extend = Page("Extend", "拡張設定");
    HTMLGroup = Make<TGroupBox>(Extend, "HTMLGroup", 8, 8, 185, 73);
    HTMLGroup->SetCaption("HTML関連");
    TagDelete = Make<TCheckBox>(HTMLGroup, "TagDelete", 8, 16, 176, 17);
    TagDelete->SetCaption("HTML/XMLなどのタグを除去");
    AddLI = Make<TCheckBox>(HTMLGroup, "AddLI", 8, 32, 176, 17);
    AddLI->SetCaption("行頭に<LI>を付加");
    RepAmp = Make<TCheckBox>(HTMLGroup, "RepAmp", 8, 48, 176, 17);
    RepAmp->SetCaption("＆を＆amp;に置換");
    UpDownCase =
        Group(Extend, "UpDownCase", "英文処理", 296, 8, 73, {"そのまま", "小文字", "大文字"});
    UpDownCase->SetWidth(89);

    OkButton = Make<TButton>(this, "OkButton", 240, 280, 75, 22);
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);
    OkButton->SetOnClick([this](TObject&) { Clicks.push_back("OK"); });
    CancelButton = Make<TButton>(this, "CancelButton", 320, 280, 75, 22);
    CancelButton->SetCaption("キャンセル");
    CancelButton->SetCancel(true);
    CancelButton->SetOnClick([this](TObject&) { Clicks.push_back("Cancel"); });
    ShowForm = Make<TCheckBox>(this, "ShowForm", 8, 284, 209, 17);
    ShowForm->SetCaption("起動時にこの画面を表示する(&S)");
  }

  TPageControl* PageControl1;
  TTabSheet* Basic;
  TRadioGroup* NumberMode;
  TRadioGroup* AlphabetMode;
  TRadioGroup* KanaMode1;
  TRadioGroup* KanaMode2;
  TTabSheet* Extend;
  TGroupBox* HTMLGroup;
  TCheckBox* TagDelete;
  TCheckBox* AddLI;
  TCheckBox* RepAmp;
  TRadioGroup* UpDownCase;
  TButton* OkButton;
  TButton* CancelButton;
  TCheckBox* ShowForm;
  std::vector<std::string> Clicks;

 private:
  template <class T>
  T* Make(TWinControl* parent, const char* name, int left, int top, int width, int height) {
    auto* control = new T(this);
    control->SetName(name);
    control->SetBounds(left, top, width, height);
    control->SetParent(parent);
    return control;
  }

  TTabSheet* Page(const char* name, const char* caption) {
    auto* page = new TTabSheet(this);
    page->SetName(name);
    page->SetCaption(caption);
    page->SetPageControl(PageControl1);
    return page;
  }

  TRadioGroup* Group(TWinControl* parent, const char* name, const char* caption, int left, int top,
                     int height, std::initializer_list<const char*> items) {
    auto* group = Make<TRadioGroup>(parent, name, left, top, 89, height);
    group->SetCaption(caption);
    for (const char* item : items) group->Items().Add(item);
    group->SetItemIndex(0);
    return group;
  }
};

}  // namespace kestrilon::framework::testing
