#pragma once

#include "rtl/ComponentClass.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Sumtide {

// The base of every component. A component created with an owner is entered in the owner's list
// and freed by the owner when the owner is destroyed, unless it was freed earlier; freeing a
// component takes it out of its owner's list.
class TComponent {
public:
  using TClass = TComponentClass;

  explicit TComponent(TComponent* AOwner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent();

  static const TComponentClass& Class();
  virtual const TComponentClass& ClassType() const { return Class(); }
  std::string_view ClassName() const { return ClassType().ClassName(); }

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const {
    return FComponents.at(static_cast<std::size_t>(Index));
  }
  // The owned component of that name (names compare without regard to ASCII case), or null.
  TComponent* FindComponent(std::string_view AName) const;

  const std::string& Name() const { return FName; }
  // Raises Exception for a name that is not an identifier or that another component of the same
  // owner already has. The empty name is allowed.
  void SetName(const std::string& NewName);

  // Streaming: the component a form description nests this one in (null: the root), and the
  // components nested in this one when Root is written. A plain component nests only in its owner.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* AParent);
  virtual void GetChildren(const std::function<void(TComponent&)>& Proc,
                           const TComponent& Root) const;
  // Called on each component a form description created, once the whole description is read.
  virtual void Loaded() {}
  // Called once the object is complete, before a creation path of the library hands it out:
  // TComponentClass::Create and CreateOwned (and so the form reader), NewComponent and
  // CreateComponent. Unlike a constructor it reaches the overrides of the most derived class. A
  // component constructed directly (a local, new, std::make_unique) does not get this call. If it
  // raises, the creation path frees the component again and passes the exception on.
  virtual void AfterConstruction() {}

protected:
  // Frees every owned component, the last one first. The destructor does it anyway; a derived
  // class calls it earlier when its owned components must go before its own parts.
  void DestroyComponents();

private:
  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
  std::string FName;
};

// Creates a component, with Owner or with none, that the returned pointer frees; freeing it also
// takes it out of its owner's list.
template <class T, class... Args>
std::unique_ptr<T> CreateComponent(TComponent* Owner, Args&&... A) {
  auto Component = std::make_unique<T>(Owner, std::forward<Args>(A)...);
  Component->AfterConstruction();
  return Component;
}

// Creates a component that Owner keeps until Owner is destroyed (or it is freed earlier).
template <class T, class... Args> T& NewComponent(TComponent& Owner, Args&&... A) {
  return *CreateComponent<T>(&Owner, std::forward<Args>(A)...).release();
}

bool IsValidIdent(std::string_view Ident);
bool SameText(std::string_view A, std::string_view B);

} // namespace Sumtide
