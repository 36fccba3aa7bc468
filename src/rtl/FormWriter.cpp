#include "rtl/FormWriter.h"

#include <string_view>

namespace Sumtide {

namespace {

// Length of the well-formed UTF-8 sequence of two to four bytes at P (0 if there is none).
std::size_t Utf8SequenceLength(std::string_view S, std::size_t P) {
  const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(S[I]); };
  const unsigned char Lead = Byte(P);
  std::size_t Length;
  unsigned char Low = 0x80, High = 0xBF; // allowed range of the second byte
  if (Lead >= 0xC2 && Lead <= 0xDF)
    Length = 2;
  else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    if (Lead == 0xE0)
      Low = 0xA0;
    if (Lead == 0xED)
      High = 0x9F; // no surrogates
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    if (Lead == 0xF0)
      Low = 0x90;
    if (Lead == 0xF4)
      High = 0x8F;
  } else
    return 0;
  if (P + Length > S.size() || Byte(P + 1) < Low || Byte(P + 1) > High)
    return 0;
  for (std::size_t I = 2; I < Length; ++I)
    if (Byte(P + I) < 0x80 || Byte(P + I) > 0xBF)
      return 0;
  return Length;
}

std::string ValueText(const TPropInfo& Prop, const TPropValue& Value) {
  switch (Prop.Kind) {
  case TPropKind::Integer:
    return std::to_string(std::get<std::int32_t>(Value));
  case TPropKind::String:
    return FormStringLiteral(std::get<std::string>(Value));
  case TPropKind::Boolean:
    return std::get<bool>(Value) ? "True" : "False";
  case TPropKind::Enumeration: {
    const std::int32_t Index = std::get<std::int32_t>(Value);
    if (Index >= 0 && static_cast<std::size_t>(Index) < Prop.ElementNames.size())
      return std::string(Prop.ElementNames[static_cast<std::size_t>(Index)]);
    return std::to_string(Index); // not a name: the reader refuses it rather than guess
  }
  case TPropKind::Event: {
    const TNotifyEvent& Event = std::get<TNotifyEvent>(Value);
    return Event ? std::string(Event.Method->Name) : std::string("nil");
  }
  case TPropKind::Set: {
    const std::uint32_t Bits = std::get<TSetValue>(Value).Bits;
    std::string Text = "[";
    for (std::size_t I = 0; I < Prop.ElementNames.size() && I < 32; ++I)
      if (Bits & (std::uint32_t{1} << I)) {
        if (Text.size() > 1)
          Text += ", ";
        Text += Prop.ElementNames[I];
      }
    return Text + "]";
  }
  }
  return {};
}

void WriteObject(std::string& Out, const TComponent& Instance, const TComponent& Root, int Depth) {
  const std::string Indent(static_cast<std::size_t>(Depth) * 2, ' ');
  Out += Indent + "object ";
  if (!Instance.Name().empty())
    Out += Instance.Name() + ": ";
  Out += std::string(Instance.ClassName()) + "\n";
  for (const TPropInfo* Prop : Instance.ClassType().Properties())
    if (Prop->IsStored(Instance))
      Out += Indent + "  " + std::string(Prop->Name) + " = " +
             ValueText(*Prop, Prop->Read(Instance)) + "\n";
  Instance.GetChildren([&](TComponent& Child) { WriteObject(Out, Child, Root, Depth + 1); }, Root);
  Out += Indent + "end\n";
}

} // namespace

std::string FormStringLiteral(const std::string& Value) {
  std::string Out;
  bool Quoted = false;
  auto SetQuoted = [&](bool Q) {
    if (Quoted != Q)
      Out += '\'';
    Quoted = Q;
  };
  for (std::size_t P = 0; P < Value.size();) {
    const auto Byte = static_cast<unsigned char>(Value[P]);
    if (Byte >= 0x20 && Byte < 0x7F) {
      SetQuoted(true);
      Out += Byte == '\'' ? "''" : std::string(1, Value[P]);
      ++P;
    } else if (const std::size_t N = Byte >= 0x80 ? Utf8SequenceLength(Value, P) : 0; N > 0) {
      SetQuoted(true);
      Out.append(Value, P, N);
      P += N;
    } else {
      SetQuoted(false);
      Out += '#';
      Out += std::to_string(Byte);
      ++P;
    }
  }
  if (Out.empty())
    return "''";
  SetQuoted(false);
  return Out;
}

std::string WriteComponent(const TComponent& Root) {
  std::string Out;
  WriteObject(Out, Root, Root, 0);
  return Out;
}

} // namespace Sumtide
