#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Components.h"
#include "Exceptions.h"

namespace kestrilon::framework {
namespace {

// Records its destruction and every removal notice it hears, by name.
class Recorder : public TComponent {
 public:
  Recorder(TComponent* owner, std::string name, std::vector<std::string>& log)
      : TComponent(owner), FLog(log) {
    SetName(name);
  }
  ~Recorder() override { FLog.push_back("free " + Name()); }

  TComponent* Watched = nullptr;

 protected:
  void Notification(TComponent& component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && &component == Watched) {
      FLog.push_back(Name() + " heard removal");
      Watched = nullptr;
    }
  }
  void Loaded() override {
    TComponent::Loaded();
    FLog.push_back("loaded " + Name());
    if (FailToLoad) throw Exception(Name() + " cannot load");
  }

 public:
  bool FailToLoad = false;

 private:
  std::vector<std::string>& FLog;
};

TEST(Component, OwnerFreesItsComponentsLastCreatedFirst) {
  std::vector<std::string> log;
  {
    TComponent owner(nullptr);
    new Recorder(&owner, "First", log);
    auto* second = new Recorder(&owner, "Second", log);
    new Recorder(second, "Inner", log);
    new Recorder(&owner, "Third", log);
    EXPECT_EQ(owner.ComponentCount(), 3);
  }
  EXPECT_EQ(log,
            (std::vector<std::string>{"free Third", "free Second", "free Inner", "free First"}));
}

TEST(Component, DeletingAComponentTellsItsSiblings) {
  std::vector<std::string> log;
  TComponent owner(nullptr);
  auto* menu = new Recorder(&owner, "Menu", log);
  auto* icon = new Recorder(&owner, "Icon", log);
  icon->Watched = menu;
  delete menu;
  EXPECT_EQ(log, (std::vector<std::string>{"free Menu", "Icon heard removal"}));
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(icon->Watched, nullptr);
}

// The owner removes each component before deleting it, so siblings hear of it while it is whole.
TEST(Component, DestroyingTheOwnerTellsEarlierSiblingsOfLaterOnes) {
  std::vector<std::string> log;
  {
    TComponent owner(nullptr);
    auto* watcher = new Recorder(&owner, "Watcher", log);
    watcher->Watched = new Recorder(&owner, "Later", log);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"Watcher heard removal", "free Later", "free Watcher"}));
}

TEST(Component, FreeNotificationReachesAComponentOfAnotherOwner) {
  std::vector<std::string> log;
  TComponent ownerA(nullptr);
  TComponent ownerB(nullptr);
  auto* target = new Recorder(&ownerA, "Target", log);
  auto* listener = new Recorder(&ownerB, "Listener", log);
  listener->Watched = target;
  target->FreeNotification(*listener);
  delete target;
  EXPECT_EQ(log, (std::vector<std::string>{"free Target", "Listener heard removal"}));
  // The link is gone on both sides: destroying the listener later touches nothing freed.
  delete listener;
}

TEST(Component, NamesAreIdentifiersUniqueWithinTheOwnerIgnoringCase) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("OkButton");
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName("okbutton"), EComponentError);
  EXPECT_THROW(b->SetName("9lives"), EComponentError);
  EXPECT_THROW(b->SetName("has space"), EComponentError);
  b->SetName("_Cancel2");
  EXPECT_EQ(owner.FindComponent("_cancel2"), b);
  EXPECT_EQ(owner.FindComponent("OKBUTTON"), a);
  EXPECT_EQ(owner.FindComponent("missing"), nullptr);
  a->SetName("");  // an empty name is never a clash
  b->SetName("");
  EXPECT_EQ(owner.FindComponent(""), nullptr);
}

TEST(Component, InsertComponentMovesOwnershipAndRefusesATakenName) {
  TComponent first(nullptr);
  TComponent second(nullptr);
  auto* moved = new TComponent(&first);
  moved->SetName("Thing");
  (new TComponent(&second))->SetName("Thing");
  EXPECT_THROW(second.InsertComponent(*moved), EComponentError);
  EXPECT_EQ(moved->Owner(), &first);
  moved->SetName("Other");
  second.InsertComponent(*moved);
  EXPECT_EQ(moved->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentIndex(*moved), 1);
  EXPECT_THROW(second.Components(2), EListError);
}

TEST(Component, DesigningAndLoadingStatesAreInheritedFromTheOwner) {
  TComponent owner(nullptr);
  owner.SetDesigning(true);
  owner.BeginLoading();
  auto* child = new TComponent(&owner);
  EXPECT_TRUE(child->IsDesigning());
  EXPECT_TRUE(child->IsLoading());
  owner.EndLoading();
  EXPECT_FALSE(child->IsLoading());
  EXPECT_FALSE(owner.IsLoading());
  owner.SetDesigning(false);
  EXPECT_FALSE(child->IsDesigning());
  EXPECT_EQ(child->ComponentState() & csDestroying, 0u);
}

TEST(Component, EndLoadingCallsLoadedInCreationOrderDepthFirst) {
  std::vector<std::string> log;
  Recorder root(nullptr, "Root", log);
  root.BeginLoading();
  auto* a = new Recorder(&root, "A", log);
  new Recorder(a, "A1", log);
  new Recorder(&root, "B", log);
  root.EndLoading();
  EXPECT_EQ(log, (std::vector<std::string>{"loaded A1", "loaded A", "loaded B", "loaded Root"}));
  log.clear();
  root.EndLoading();  // nothing is loading any more
  EXPECT_TRUE(log.empty());
  root.DestroyComponents();
}

TEST(Component, OneComponentFailingToLoadLeavesTheOthersLoadedAndTheFirstFailureGoesOn) {
  std::vector<std::string> log;
  Recorder root(nullptr, "Root", log);
  root.BeginLoading();
  (new Recorder(&root, "A", log))->FailToLoad = true;
  auto* b = new Recorder(&root, "B", log);
  (new Recorder(&root, "C", log))->FailToLoad = true;
  try {
    root.EndLoading();
    ADD_FAILURE() << "the failure was swallowed";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "A cannot load");
  }
  EXPECT_EQ(log, (std::vector<std::string>{"loaded A", "loaded B", "loaded C", "loaded Root"}));
  EXPECT_FALSE(b->IsLoading());
  EXPECT_FALSE(root.IsLoading());
  root.DestroyComponents();
}

TEST(Persistent, AssignBetweenUnrelatedClassesIsRefused) {
  TComponent a(nullptr);
  TComponent b(nullptr);
  EXPECT_THROW(a.Assign(b), EConvertError);
}

}  // namespace
}  // namespace kestrilon::framework
