// Commands that live in their own files (processing dialogs, wizard run, quick
// process, about, help, home page, splash) register here under a fixed name;
// the frame and the document windows look them up, and a command nobody has
// registered stays disabled. Names in use:
//   "dither", "convolve", "edge", "channel", "rotate", "scale"   (tag: the menu item's tag)
//   "wizard", "process1" .. "process4", "about", "help", "homepage", "splash"
#pragma once

#include <functional>
#include <string>

#include "core/raster_image.h"
#include "widgets/app_services.h"

namespace tessalin {

// `source` is the active document's picture (nullptr for frame commands that
// need none); `tag` the menu item's tag, or 0.
using AppCommand = std::function<void(AppServices& app, const RasterImage* source, int tag)>;

void RegisterAppCommand(const std::string& name, AppCommand command);
// nullptr when no such command is registered.
const AppCommand* FindAppCommand(const std::string& name);

struct AppCommandRegistration {
  AppCommandRegistration(const std::string& name, AppCommand command) {
    RegisterAppCommand(name, std::move(command));
  }
};

}  // namespace tessalin
