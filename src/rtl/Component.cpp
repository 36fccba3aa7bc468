#include "rtl/Component.h"

#include "rtl/Exception.h"

#include <algorithm>

namespace Sumtide {

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner)
    FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (FOwner)
    std::erase(FOwner->FComponents, this);
}

const TComponentClass& TComponent::Class() {
  static const TComponentClassOf<TComponent> Descriptor("TComponent", nullptr, {});
  return Descriptor;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    // Unlisted before it is freed, so its destructor does not search this list again.
    TComponent* Last = FComponents.back();
    FComponents.pop_back();
    Last->FOwner = nullptr;
    delete Last;
  }
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty())
    return nullptr;
  auto It = std::find_if(FComponents.begin(), FComponents.end(),
                         [&](const TComponent* C) { return SameText(C->FName, AName); });
  return It == FComponents.end() ? nullptr : *It;
}

void TComponent::SetName(const std::string& NewName) {
  if (NewName == FName)
    return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw Exception("\"" + NewName + "\" is not a valid component name");
  if (FOwner) {
    TComponent* Other = FOwner->FindComponent(NewName);
    if (Other && Other != this)
      throw Exception("A component named " + NewName + " already exists");
  }
  FName = NewName;
}

void TComponent::SetParentComponent(TComponent* AParent) {
  if (AParent != FOwner)
    throw Exception("A " + std::string(ClassName()) + " cannot be placed inside " +
                    (AParent ? AParent->FName : std::string("nothing")));
}

void TComponent::GetChildren(const std::function<void(TComponent&)>& Proc,
                             const TComponent& Root) const {
  for (TComponent* C : Root.FComponents) {
    const TComponent* Parent = C->GetParentComponent();
    if (Parent == this || (this == &Root && Parent == nullptr))
      Proc(*C);
  }
}

bool IsValidIdent(std::string_view Ident) {
  auto IsAlpha = [](char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
  };
  auto IsDigit = [](char C) { return C >= '0' && C <= '9'; };
  if (Ident.empty() || !IsAlpha(Ident.front()))
    return false;
  return std::all_of(Ident.begin(), Ident.end(), [&](char C) { return IsAlpha(C) || IsDigit(C); });
}

bool SameText(std::string_view A, std::string_view B) {
  auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; };
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(),
                                            [&](char X, char Y) { return Lower(X) == Lower(Y); });
}

} // namespace Sumtide
