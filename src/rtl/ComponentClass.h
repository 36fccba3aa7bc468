#pragma once

#include "rtl/Properties.h"

#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace Sumtide {

class TComponent;

// The class reference of a component class: one descriptor object per class, reachable from the
// class (T::Class()) and from any instance (ClassType()). It names the class, links to the parent
// class's descriptor, holds the class's own published properties and creates instances. Classes
// with class-level queries (the hash and cipher classes) derive their descriptors from this one.
class TComponentClass {
public:
  TComponentClass(std::string_view ClassName, const TComponentClass* ClassParent,
                  std::span<const TPropInfo> OwnProperties,
                  std::span<const TMethodInfo> OwnMethods = {});
  TComponentClass(const TComponentClass&) = delete;
  TComponentClass& operator=(const TComponentClass&) = delete;
  virtual ~TComponentClass() = default;

  std::string_view ClassName() const { return FClassName; }
  const TComponentClass* ClassParent() const { return FClassParent; }
  bool InheritsFrom(const TComponentClass& Ancestor) const;

  // Every published property, those of the base classes first. A class that publishes a
  // property of a base class again (to give it the default its constructor sets) replaces it in
  // place.
  std::vector<const TPropInfo*> Properties() const;
  const TPropInfo* FindProperty(std::string_view Name) const;
  // The handler of that name that this class or a base class publishes, or null.
  const TMethodInfo* FindMethod(std::string_view Name) const;

  // Creates an instance and runs its AfterConstruction. With an owner, the owner frees it unless
  // it is freed earlier, and the pointer returned does not own it; without one, the caller owns it.
  TComponent* Create(TComponent* AOwner) const;
  // Creates an instance, as Create does, that the returned pointer frees; freeing it also takes it
  // out of its owner's list, so this is the form for a component that lives for one run of a
  // command.
  std::unique_ptr<TComponent> CreateOwned(TComponent* AOwner = nullptr) const;

protected:
  virtual TComponent* NewInstance(TComponent* AOwner) const = 0;

private:
  std::string_view FClassName;
  const TComponentClass* FClassParent;
  std::span<const TPropInfo> FOwnProperties;
  std::span<const TMethodInfo> FOwnMethods;
};

// The descriptor of a class that adds no class-level queries of its own: T(TComponent*) is its
// constructor and Base the descriptor type of its parent class family.
template <class T, class Base = TComponentClass> class TComponentClassOf : public Base {
public:
  using Base::Base;

protected:
  TComponent* NewInstance(TComponent* AOwner) const override { return new T(AOwner); }
};

} // namespace Sumtide
