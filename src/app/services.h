#pragma once
#include <memory>

#include "app/appcontext.h"
#include "app/qtprompts.h"
#include "link/eventpump.h"

namespace tessaro {

// The real platform services, owned in one place by main().
struct RealServices {
  QtPrompts prompts;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  AppServices services();
};

}  // namespace tessaro
