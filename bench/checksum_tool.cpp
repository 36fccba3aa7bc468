// The checksum command end to end, as one process that can be timed beside md5sum and openssl:
// the window created as the program creates it, on the headless toolkit, the file name typed
// into the file field and "Calculer" pressed. Prints the checksum the window shows, two spaces and
// the name, as md5sum does; exits with 1 and a message on the standard error when the window
// shows no checksum or showed a message box.

#include "app/Unit1.h"
#include "forms/Application.h"
#include "toolkit/headless/HeadlessToolkit.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
  using namespace Sumtide;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argc > 0 ? argv[0] : "sumtide_checksum");
    return 2;
  }
  const std::string Path = argv[1];
  try {
    Headless::THeadlessToolkit Kit;
    RegisterUnit1();
    TApplication App(Kit);
    App.SetTitle("Sumtide");
    App.CreateForm(Form1);
    if (!Kit.Type("Edit3", Path) || !Kit.Click("Button1")) {
      std::fprintf(stderr, "sumtide_checksum: the window took no file name or no click\n");
      return 1;
    }
    for (const Headless::TMessageBoxRecord& Box : Kit.MessageBoxes)
      std::fprintf(stderr, "sumtide_checksum: %s: %s\n", Box.Caption.c_str(), Box.Text.c_str());
    const std::string Sum = Kit.Get("Edit1").GetText();
    if (!Kit.MessageBoxes.empty() || Sum.empty()) {
      if (Kit.MessageBoxes.empty())
        std::fprintf(stderr, "sumtide_checksum: no checksum for %s\n", Path.c_str());
      return 1;
    }
    std::printf("%s  %s\n", Sum.c_str(), Path.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "sumtide_checksum: %s\n", E.what());
    return 1;
  }
}
