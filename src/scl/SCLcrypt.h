#pragma once

// The bases of the component library: the hash component (and, beside it, the cipher bases),
// their exceptions and class references.

#include "rtl/Component.h"
#include "rtl/Exception.h"
#include "rtl/Stream.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Sumtide {

class TSCL_hash;

class ESCL_hash : public Exception {
public:
  using Exception::Exception;
};

// The class reference of a hash class: its class-level queries and its constructor, reached
// without an instance. Each hash class has one descriptor deriving from this one.
class TSCL_hashclass : public TComponentClass {
public:
  using TComponentClass::TComponentClass;

  virtual std::int32_t GetId() const { return -1; }
  virtual std::string GetAlgorithm() const { return {}; }
  virtual std::int32_t GetHashSize() const { return -1; } // digest size in bits
  virtual bool SelfTest() const { return false; }

  TSCL_hash* Create(TComponent* AOwner) const;
  std::unique_ptr<TSCL_hash> CreateOwned(TComponent* AOwner = nullptr) const;
};

using TSCL_hashclassref = const TSCL_hashclass*;

// The abstract base of every message-digest component: Init, any number of Updates, then Final,
// which writes the digest and wipes the state. Every operation has a default body, so a plain
// TSCL_hash can be driven without error: it computes nothing and writes no digest.
class TSCL_hash : public TComponent {
public:
  using TClass = TSCL_hashclass;

  explicit TSCL_hash(TComponent* AOwner) : TComponent(AOwner) {}
  // Burns a running instance. A derived class that overrides Burn also burns in its own
  // destructor: by the time this one runs, the derived parts are already gone.
  ~TSCL_hash() override;

  static const TSCL_hashclass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
  const TSCL_hashclass& HashClass() const {
    return static_cast<const TSCL_hashclass&>(ClassType());
  }

  // Class-level queries, answered by the instance's class.
  std::int32_t GetId() const { return HashClass().GetId(); }
  std::string GetAlgorithm() const { return HashClass().GetAlgorithm(); }
  std::int32_t GetHashSize() const { return HashClass().GetHashSize(); }
  bool SelfTest() const { return HashClass().SelfTest(); }

  virtual void Init() {}
  // Writes GetHashSize() / 8 bytes.
  virtual void Final(void* Digest) { (void)Digest; }
  virtual void Burn() {}
  virtual void Update(const void* Buffer, std::uint32_t Length) { (void)Buffer, (void)Length; }

  void UpdateStr(const std::string& Str);
  // Feeds up to Count bytes read from Stream in pieces of 8192 bytes; a short read does not stop
  // the loop.
  void UpdateStream(TStream& Stream, std::uint32_t Count);

  bool Initialized() const { return FInitialized; }

  // The published Id, Algorithm and HashSize accept a write and discard it.
  void DiscardInteger(std::int32_t) {}
  void DiscardString(const std::string&) {}

protected:
  bool FInitialized = false;
};

} // namespace Sumtide
