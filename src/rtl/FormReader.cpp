#include "rtl/FormReader.h"

#include "rtl/ClassRegistry.h"
#include "rtl/FormLexer.h"

#include <limits>
#include <vector>

namespace Sumtide {

namespace {

// Deep enough for any window; shallow enough that hostile nesting cannot exhaust the stack.
constexpr int MaxNesting = 64;

class TFormReader {
public:
  explicit TFormReader(std::string_view Text) : FLexer(Text) {}

  // Reads the whole description. With Existing, the root is that component; otherwise it is
  // created with Owner. Returns the root; on failure everything created here is freed.
  TComponent* Read(TComponent* Existing, TComponent* Owner);

private:
  struct THeader {
    std::string Name;
    const TComponentClass* Class;
    int Line;
  };

  THeader ReadHeader();
  void ReadBody(TComponent& Instance, int Depth);
  void ReadProperty(TComponent& Instance);
  TPropValue ReadValue(const TPropInfo& Prop, std::string_view ClassName);
  std::int32_t ElementIndex(const TPropInfo& Prop, const std::string& Name) const;

  void Expect(TFormToken Token, const char* What);
  std::string ExpectIdent(const char* What);
  [[noreturn]] void Fail(const std::string& What) const { throw EFormError(FLexer.Line(), What); }
  template <class F> void AtLine(int Line, F&& Action);

  TFormLexer FLexer;
  TComponent* FRoot = nullptr;
  std::vector<std::unique_ptr<TComponent>> FCreated; // nested components, until the read succeeds
};

template <class F> void TFormReader::AtLine(int Line, F&& Action) {
  try {
    Action();
  } catch (const EFormError&) {
    throw;
  } catch (const Exception& E) {
    throw EFormError(Line, E.Message());
  }
}

void TFormReader::Expect(TFormToken Token, const char* What) {
  if (FLexer.Token() != Token)
    Fail(std::string(What) + " expected but " + FLexer.Describe() + " found");
  FLexer.Next();
}

std::string TFormReader::ExpectIdent(const char* What) {
  if (FLexer.Token() != TFormToken::Ident)
    Fail(std::string(What) + " expected but " + FLexer.Describe() + " found");
  std::string Ident = FLexer.Text();
  FLexer.Next();
  return Ident;
}

TFormReader::THeader TFormReader::ReadHeader() {
  const int Line = FLexer.Line();
  if (FLexer.Token() != TFormToken::Ident || !SameText(FLexer.Text(), "object"))
    Fail("'object' expected but " + FLexer.Describe() + " found");
  FLexer.Next();
  // "object Name: Class", or "object Class" for a component without a name.
  int ClassLine = FLexer.Line();
  std::string Name;
  std::string ClassName = ExpectIdent("component name");
  if (FLexer.Token() == TFormToken::Colon) {
    FLexer.Next();
    Name = std::move(ClassName);
    if (!IsValidIdent(Name))
      throw EFormError(Line, "'" + Name + "' is not a valid component name");
    ClassLine = FLexer.Line();
    ClassName = ExpectIdent("class name");
  }
  const TComponentClass* Class = FindClass(ClassName);
  if (!Class)
    throw EFormError(ClassLine, "unknown class '" + ClassName + "'");
  return {std::move(Name), Class, Line};
}

TComponent* TFormReader::Read(TComponent* Existing, TComponent* Owner) {
  const THeader Header = ReadHeader();
  std::unique_ptr<TComponent> CreatedRoot;
  if (Existing) {
    if (&Existing->ClassType() != Header.Class)
      throw EFormError(Header.Line, "the description is of class " +
                                        std::string(Header.Class->ClassName()) + ", not " +
                                        std::string(Existing->ClassName()));
    FRoot = Existing;
  } else {
    AtLine(Header.Line, [&] { CreatedRoot = Header.Class->CreateOwned(Owner); });
    FRoot = CreatedRoot.get();
  }
  // Until the read succeeds, the reader holds the nested components it created, so that a
  // failure frees them whether or not it created the root.
  try {
    AtLine(Header.Line, [&] { FRoot->SetName(Header.Name); });
    ReadBody(*FRoot, 1);
    if (FLexer.Token() != TFormToken::EndOfText)
      Fail("end of text expected but " + FLexer.Describe() + " found");
    FRoot->Loaded();
    for (auto& C : FCreated)
      C->Loaded();
    for (auto& C : FCreated)
      C.release(); // from now on owned by the root alone
    FCreated.clear();
  } catch (...) {
    while (!FCreated.empty())
      FCreated.pop_back(); // freeing takes each out of the root's list, the last first
    throw;
  }
  CreatedRoot.release();
  return FRoot;
}

void TFormReader::ReadBody(TComponent& Instance, int Depth) {
  for (;;) {
    if (FLexer.Token() == TFormToken::EndOfText)
      Fail("'end' expected but end of text found (the object " + Instance.Name() +
           " is not closed)");
    if (FLexer.Token() != TFormToken::Ident)
      Fail("property name, 'object' or 'end' expected but " + FLexer.Describe() + " found");
    if (SameText(FLexer.Text(), "end")) {
      FLexer.Next();
      return;
    }
    if (!SameText(FLexer.Text(), "object")) {
      ReadProperty(Instance);
      continue;
    }
    if (Depth >= MaxNesting)
      Fail("objects nested too deeply");
    const THeader Header = ReadHeader();
    TComponent* Child = nullptr;
    AtLine(Header.Line, [&] {
      FCreated.push_back(Header.Class->CreateOwned(FRoot));
      Child = FCreated.back().get();
      Child->SetName(Header.Name);
      Child->SetParentComponent(&Instance);
    });
    ReadBody(*Child, Depth + 1);
  }
}

void TFormReader::ReadProperty(TComponent& Instance) {
  const int Line = FLexer.Line();
  const std::string Name = FLexer.Text();
  FLexer.Next();
  const TPropInfo* Prop = Instance.ClassType().FindProperty(Name);
  if (!Prop)
    throw EFormError(Line,
                     "unknown property '" + Name + "' in " + std::string(Instance.ClassName()));
  Expect(TFormToken::Equals, "'='");
  const TPropValue Value = ReadValue(*Prop, Instance.ClassName());
  AtLine(Line, [&] { Prop->Write(Instance, Value); });
}

std::int32_t TFormReader::ElementIndex(const TPropInfo& Prop, const std::string& Name) const {
  for (std::size_t I = 0; I < Prop.ElementNames.size(); ++I)
    if (SameText(Prop.ElementNames[I], Name))
      return static_cast<std::int32_t>(I);
  return -1;
}

TPropValue TFormReader::ReadValue(const TPropInfo& Prop, std::string_view ClassName) {
  const std::string Where = "property " + std::string(Prop.Name) + " of " + std::string(ClassName);
  auto WrongType = [&](const char* Expected) {
    Fail("wrong value for " + Where + ": " + Expected + " expected but " + FLexer.Describe() +
         " found");
  };
  switch (Prop.Kind) {
  case TPropKind::Integer: {
    if (FLexer.Token() != TFormToken::Integer)
      WrongType("an integer");
    const std::int64_t V = FLexer.Integer();
    if (V < std::numeric_limits<std::int32_t>::min() ||
        V > std::numeric_limits<std::int32_t>::max())
      Fail("value out of range for " + Where);
    FLexer.Next();
    return static_cast<std::int32_t>(V);
  }
  case TPropKind::String: {
    if (FLexer.Token() != TFormToken::String)
      WrongType("a string");
    std::string V = FLexer.Text();
    FLexer.Next();
    return V;
  }
  case TPropKind::Boolean: {
    if (FLexer.Token() != TFormToken::Ident ||
        !(SameText(FLexer.Text(), "True") || SameText(FLexer.Text(), "False")))
      WrongType("True or False");
    const bool V = SameText(FLexer.Text(), "True");
    FLexer.Next();
    return V;
  }
  case TPropKind::Enumeration: {
    if (FLexer.Token() != TFormToken::Ident)
      WrongType("a name");
    const std::int32_t Index = ElementIndex(Prop, FLexer.Text());
    if (Index < 0)
      Fail("'" + FLexer.Text() + "' is not a value of " + Where);
    FLexer.Next();
    return Index;
  }
  case TPropKind::Event: {
    if (FLexer.Token() != TFormToken::Ident)
      WrongType("a handler name");
    if (SameText(FLexer.Text(), "nil")) {
      FLexer.Next();
      return TNotifyEvent{};
    }
    const TMethodInfo* Method = FRoot->ClassType().FindMethod(FLexer.Text());
    if (!Method)
      Fail("unknown handler '" + FLexer.Text() + "' for " + Where + ": " +
           std::string(FRoot->ClassName()) + " publishes no handler of that name");
    FLexer.Next();
    return TNotifyEvent{FRoot, Method};
  }
  case TPropKind::Set: {
    if (FLexer.Token() != TFormToken::LBracket)
      WrongType("a set");
    FLexer.Next();
    TSetValue V;
    if (FLexer.Token() != TFormToken::RBracket) {
      for (;;) {
        if (FLexer.Token() != TFormToken::Ident)
          Fail("set element name expected but " + FLexer.Describe() + " found");
        const std::int32_t Index = ElementIndex(Prop, FLexer.Text());
        if (Index < 0 || Index >= 32)
          Fail("'" + FLexer.Text() + "' is not an element of " + Where);
        V.Bits |= std::uint32_t{1} << Index;
        FLexer.Next();
        if (FLexer.Token() != TFormToken::Comma)
          break;
        FLexer.Next();
      }
    }
    Expect(TFormToken::RBracket, "']'");
    return V;
  }
  }
  Fail("property " + std::string(Prop.Name) + " cannot be read");
}

} // namespace

std::unique_ptr<TComponent> ReadComponent(std::string_view Text) {
  return std::unique_ptr<TComponent>(TFormReader(Text).Read(nullptr, nullptr));
}

TComponent& ReadComponent(std::string_view Text, TComponent& Owner) {
  return *TFormReader(Text).Read(nullptr, &Owner);
}

void ReadComponentInto(std::string_view Text, TComponent& Root) {
  TFormReader(Text).Read(&Root, nullptr);
}

} // namespace Sumtide
