#include "TestComponents.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>
#include <memory>

namespace Sumtide::Test {
namespace {

class ComponentTest : public ::testing::Test {
protected:
  void SetUp() override { TGadget::Live = 0; }
  void TearDown() override { EXPECT_EQ(TGadget::Live, 0); }
};

TEST_F(ComponentTest, OwnerFreesWhatItStillOwns) {
  auto Owner = std::make_unique<TComponent>(nullptr);
  auto& A = NewComponent<TGadget>(*Owner);
  auto& B = NewComponent<TGadget>(*Owner);
  NewComponent<TGadget>(A); // owned by A, freed with it
  EXPECT_EQ(Owner->ComponentCount(), 2);
  EXPECT_EQ(Owner->Components(0), &A);
  EXPECT_EQ(Owner->Components(1), &B);
  EXPECT_EQ(A.Owner(), Owner.get());
  EXPECT_EQ(TGadget::Live, 3);
  Owner.reset();
  EXPECT_EQ(TGadget::Live, 0);
}

TEST_F(ComponentTest, FreeingEarlyTakesTheComponentOutOfItsOwnersList) {
  TComponent Owner(nullptr);
  auto& Kept = NewComponent<TGadget>(Owner);
  {
    auto OneRun = std::make_unique<TGadget>(&Owner);
    EXPECT_EQ(Owner.ComponentCount(), 2);
  }
  ASSERT_EQ(Owner.ComponentCount(), 1);
  EXPECT_EQ(Owner.Components(0), &Kept);
  EXPECT_EQ(TGadget::Live, 1);
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueAmongTheOwnersComponents) {
  TComponent Owner(nullptr);
  auto& A = NewComponent<TGadget>(Owner);
  auto& B = NewComponent<TGadget>(Owner);
  A.SetName("Button1");
  EXPECT_EQ(Owner.FindComponent("button1"), &A);
  EXPECT_EQ(Owner.FindComponent("Button2"), nullptr);
  EXPECT_THROW(B.SetName("BUTTON1"), Exception);
  for (const char* Bad : {"1Button", "Button 1", "Button-1", "Font.Name"})
    EXPECT_THROW(B.SetName(Bad), Exception) << Bad;
  EXPECT_EQ(B.Name(), "");
  A.SetName("Button1"); // renaming to its own name is no conflict
  B.SetName("_Button2");
  EXPECT_EQ(Owner.FindComponent("_button2"), &B);
}

TEST_F(ComponentTest, ClassReferenceIsReachableFromClassAndInstance) {
  TStrictGadget G(nullptr);
  const TComponent& AsBase = G;
  EXPECT_EQ(&AsBase.ClassType(), &TStrictGadget::Class());
  EXPECT_EQ(AsBase.ClassName(), "TStrictGadget");
  EXPECT_TRUE(TStrictGadget::Class().InheritsFrom(TGadget::Class()));
  EXPECT_TRUE(TStrictGadget::Class().InheritsFrom(TComponent::Class()));
  EXPECT_FALSE(TGadget::Class().InheritsFrom(TStrictGadget::Class()));

  auto Created = TStrictGadget::Class().CreateOwned(nullptr);
  EXPECT_EQ(&Created->ClassType(), &TStrictGadget::Class());
  EXPECT_EQ(TGadget::Live, 2);
}

TEST_F(ComponentTest, PropertiesListBaseClassFirst) {
  std::vector<std::string_view> Names;
  for (const TPropInfo* P : TStrictGadget::Class().Properties())
    Names.push_back(P->Name);
  EXPECT_EQ(Names, (std::vector<std::string_view>{"Width", "Caption", "Visible", "Align", "Anchors",
                                                  "OnClick", "Limit"}));
  EXPECT_EQ(TStrictGadget::Class().FindProperty("width"), TGadget::Class().FindProperty("Width"));
  EXPECT_EQ(TGadget::Class().FindProperty("Limit"), nullptr);
}

TEST_F(ComponentTest, PropertyAccessorsReadAndWriteThroughTheInstance) {
  TGadget G(nullptr);
  const TPropInfo& Width = *TGadget::Class().FindProperty("Width");
  const TPropInfo& Align = *TGadget::Class().FindProperty("Align");
  EXPECT_FALSE(Width.IsStored(G)); // at its default
  Width.Write(G, std::int32_t{120});
  Align.Write(G, std::int32_t{2});
  EXPECT_EQ(G.Width(), 120);
  EXPECT_EQ(G.Align(), TAlign::alClient);
  EXPECT_EQ(Width.Read(G), TPropValue(std::int32_t{120}));
  EXPECT_TRUE(Width.IsStored(G));
  EXPECT_TRUE(TGadget::Class().FindProperty("Caption")->IsStored(G)); // no default: always stored
}

TEST_F(ComponentTest, RegistryFindsClassesByName) {
  RegisterTestClasses();
  RegisterTestClasses(); // twice is harmless
  EXPECT_EQ(FindClass("TGadget"), &TGadget::Class());
  EXPECT_EQ(FindClass("TNoSuchClass"), nullptr);
  const TComponentClassOf<TGadget> Impostor("TGadget", &TComponent::Class(), {});
  EXPECT_THROW(RegisterClass(Impostor), Exception);
  EXPECT_EQ(FindClass("TGadget"), &TGadget::Class());
}

} // namespace
} // namespace Sumtide::Test
