#include <gtest/gtest.h>

#include "Exceptions.h"
#include "Strings.h"

namespace kestrilon::framework {
namespace {

struct TextCase {
  const char* text;
  std::vector<std::string> items;
};

TEST(Strings, SetTextSplitsAtEveryKindOfLineBreak) {
  const TextCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc\r\n", {"a", "b", "c"}},
      {"\n\n", {"", ""}},
      {"数字\r\n英字", {"数字", "英字"}},
      {"a\n\rb", {"a", "", "b"}},
  };
  for (const TextCase& c : cases) {
    TStringList list;
    list.SetText(c.text);
    EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()), c.items) << c.text;
  }
}

TEST(Strings, TextEndsEveryItemWithCrLf) {
  TStringList list;
  list.Add("TRAYICON1");
  list.Add("");
  EXPECT_EQ(list.Text(), "TRAYICON1\r\n\r\n");
}

TEST(Strings, EditingOperationsAndBounds) {
  TStringList list;
  EXPECT_EQ(list.Add("b"), 0);
  list.Insert(0, "a");
  list.Insert(2, "d");
  list.Insert(2, "c");
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
  list.Move(0, 3);
  list.Exchange(0, 1);
  list.Put(0, "C");
  EXPECT_EQ(list.Text(), "C\r\nb\r\nd\r\na\r\n");
  EXPECT_EQ(list.IndexOf("c"), 0);
  EXPECT_EQ(list.IndexOf("x"), -1);
  list.Delete(3);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_THROW(list.Strings(3), EStringListError);
  EXPECT_THROW(list.Insert(5, "x"), EStringListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  try {
    list.Put(7, "x");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("(7)"), std::string::npos);
  }
}

TEST(Strings, ChangeNoticesAreBatchedByBeginUpdate) {
  TStringList list;
  int changes = 0;
  list.SetOnChange([&] { ++changes; });
  list.Add("x");
  list.BeginUpdate();
  list.Add("y");
  list.Add("z");
  list.Clear();
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  list.Clear();  // already empty: no change
  EXPECT_EQ(changes, 2);
}

TEST(Strings, AssignCopiesItemsAndSortOrdersThem) {
  TStringList source;
  source.SetText("b\na\nc");
  TStringList copy;
  copy.Assign(source);
  EXPECT_TRUE(copy.Equals(source));
  copy.Sort();
  EXPECT_EQ(copy.Text(), "a\r\nb\r\nc\r\n");
  TPersistent other;
  EXPECT_THROW(copy.Assign(other), EConvertError);
}

}  // namespace
}  // namespace kestrilon::framework
