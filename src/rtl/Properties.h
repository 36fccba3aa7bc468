#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace Sumtide {

class TComponent;

// What a published property holds, and so how a form description writes its value.
enum class TPropKind {
  Integer,     // 32-bit signed: Left = 190
  String,      // bytes: Caption = 'Sumtide'
  Boolean,     // Enabled = False
  Enumeration, // one name of ElementNames: Position = poScreenCenter
  Set,         // any names of ElementNames: BorderIcons = [biSystemMenu, biMinimize]
  Event,       // a handler the root's class publishes, by name: OnClick = Button1Click
};

// A set value: bit i stands for ElementNames[i].
struct TSetValue {
  std::uint32_t Bits = 0;
  friend bool operator==(TSetValue, TSetValue) = default;
};

// A handler a class publishes by name, so that a form description can bind events to it.
struct TMethodInfo {
  std::string_view Name;
  void (*Invoke)(TComponent& Self, TComponent* Sender);
};

// An event binding: the handler and the instance it runs on; empty when nothing is bound.
struct TNotifyEvent {
  TComponent* Instance = nullptr;
  const TMethodInfo* Method = nullptr;

  explicit operator bool() const { return Method != nullptr; }
  void operator()(TComponent* Sender) const {
    if (Method)
      Method->Invoke(*Instance, Sender);
  }
  friend bool operator==(const TNotifyEvent&, const TNotifyEvent&) = default;
};

// Integer and Enumeration properties hold an int32_t (the ordinal for an enumeration), String a
// std::string, Boolean a bool, Set a TSetValue and Event a TNotifyEvent.
using TPropValue = std::variant<std::int32_t, std::string, bool, TSetValue, TNotifyEvent>;

// One published property of a class: its name and kind, a read and a write accessor, and the
// default value the writer leaves out (none: always stored).
struct TPropInfo {
  std::string_view Name;
  TPropKind Kind;
  TPropValue (*Read)(const TComponent& Instance);
  void (*Write)(TComponent& Instance, const TPropValue& Value);
  std::optional<TPropValue> Default;
  std::span<const std::string_view> ElementNames; // Enumeration and Set only

  bool IsStored(const TComponent& Instance) const { return !Default || Read(Instance) != *Default; }
};

namespace Detail {

template <class> struct TGetter;
template <class C, class R> struct TGetter<R (C::*)() const> {
  using Class = C;
  using Value = std::remove_cvref_t<R>;
};
// The value type of the property a getter reads.
template <auto Get> using TValueOf = typename TGetter<decltype(Get)>::Value;

template <class> struct TMethodOwner;
template <class C> struct TMethodOwner<void (C::*)(TComponent*)> { using Class = C; };

template <class Value> TPropValue ToPropValue(const Value& V) {
  if constexpr (std::is_enum_v<Value>)
    return static_cast<std::int32_t>(V);
  else if constexpr (std::is_same_v<Value, std::uint32_t>)
    return TSetValue{V};
  else
    return TPropValue(V);
}

template <class Value> Value FromPropValue(const TPropValue& V) {
  if constexpr (std::is_enum_v<Value>)
    return static_cast<Value>(std::get<std::int32_t>(V));
  else if constexpr (std::is_same_v<Value, std::uint32_t>)
    return std::get<TSetValue>(V).Bits;
  else
    return std::get<Value>(V);
}

} // namespace Detail

// Builds a method table entry from a handler `void (C::*)(TComponent* Sender)`.
template <auto Handler> TMethodInfo MakeMethod(std::string_view Name) {
  using C = typename Detail::TMethodOwner<decltype(Handler)>::Class;
  return TMethodInfo{
      Name, [](TComponent& Self, TComponent* Sender) { (static_cast<C&>(Self).*Handler)(Sender); }};
}

// Builds a table entry from a getter `V (C::*)() const` and a setter `void (C::*)(V)` or
// `void (C::*)(const V&)`. V is std::int32_t, std::string, bool, an enumeration type,
// std::uint32_t for a set, or TNotifyEvent. The default is given as a V, so a class can hand the
// very constant its instances start with. The table of class C is only ever applied to instances
// of C.
template <auto Get, auto Set>
TPropInfo MakeProperty(std::string_view Name, TPropKind Kind,
                       std::optional<Detail::TValueOf<Get>> Default = std::nullopt,
                       std::span<const std::string_view> ElementNames = {}) {
  using C = typename Detail::TGetter<decltype(Get)>::Class;
  using V = Detail::TValueOf<Get>;
  return TPropInfo{
      Name,
      Kind,
      [](const TComponent& Instance) -> TPropValue {
        return Detail::ToPropValue<V>((static_cast<const C&>(Instance).*Get)());
      },
      [](TComponent& Instance, const TPropValue& Value) {
        (static_cast<C&>(Instance).*Set)(Detail::FromPropValue<V>(Value));
      },
      Default ? std::optional<TPropValue>(Detail::ToPropValue<V>(*Default)) : std::nullopt,
      ElementNames,
  };
}

} // namespace Sumtide
