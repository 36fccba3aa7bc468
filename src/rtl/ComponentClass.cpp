#include "rtl/ComponentClass.h"

#include "rtl/Component.h"

#include <algorithm>

namespace Sumtide {

TComponentClass::TComponentClass(std::string_view ClassName, const TComponentClass* ClassParent,
                                 std::span<const TPropInfo> OwnProperties,
                                 std::span<const TMethodInfo> OwnMethods)
    : FClassName(ClassName), FClassParent(ClassParent), FOwnProperties(OwnProperties),
      FOwnMethods(OwnMethods) {}

bool TComponentClass::InheritsFrom(const TComponentClass& Ancestor) const {
  for (const TComponentClass* C = this; C != nullptr; C = C->FClassParent)
    if (C == &Ancestor)
      return true;
  return false;
}

std::vector<const TPropInfo*> TComponentClass::Properties() const {
  std::vector<const TPropInfo*> Result =
      FClassParent ? FClassParent->Properties() : std::vector<const TPropInfo*>{};
  for (const TPropInfo& P : FOwnProperties) {
    auto Same = std::find_if(Result.begin(), Result.end(),
                             [&](const TPropInfo* Q) { return SameText(Q->Name, P.Name); });
    if (Same != Result.end())
      *Same = &P;
    else
      Result.push_back(&P);
  }
  return Result;
}

const TPropInfo* TComponentClass::FindProperty(std::string_view Name) const {
  for (const TComponentClass* C = this; C != nullptr; C = C->FClassParent)
    for (const TPropInfo& P : C->FOwnProperties)
      if (SameText(P.Name, Name))
        return &P;
  return nullptr;
}

const TMethodInfo* TComponentClass::FindMethod(std::string_view Name) const {
  for (const TComponentClass* C = this; C != nullptr; C = C->FClassParent)
    for (const TMethodInfo& M : C->FOwnMethods)
      if (SameText(M.Name, Name))
        return &M;
  return nullptr;
}

TComponent* TComponentClass::Create(TComponent* AOwner) const {
  return CreateOwned(AOwner).release();
}

std::unique_ptr<TComponent> TComponentClass::CreateOwned(TComponent* AOwner) const {
  std::unique_ptr<TComponent> Instance(NewInstance(AOwner));
  Instance->AfterConstruction(); // a failure frees the instance again
  return Instance;
}

} // namespace Sumtide
