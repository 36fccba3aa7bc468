#include "rtl/ClassRegistry.h"

#include "rtl/Exception.h"

#include <map>
#include <string>

namespace Sumtide {

namespace {
std::map<std::string, const TComponentClass*, std::less<>>& Registry() {
  static std::map<std::string, const TComponentClass*, std::less<>> Classes;
  return Classes;
}
} // namespace

void RegisterClass(const TComponentClass& Class) {
  auto [It, Inserted] = Registry().try_emplace(std::string(Class.ClassName()), &Class);
  if (!Inserted && It->second != &Class)
    throw Exception("A class named " + It->first + " is already registered");
}

const TComponentClass* FindClass(std::string_view ClassName) {
  auto It = Registry().find(ClassName);
  return It == Registry().end() ? nullptr : It->second;
}

std::vector<const TComponentClass*> RegisteredClasses() {
  std::vector<const TComponentClass*> Result;
  for (const auto& [Name, Class] : Registry())
    Result.push_back(Class);
  return Result;
}

} // namespace Sumtide
