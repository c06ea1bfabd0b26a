#pragma once
// The real platform services, owned in one place by the program's main().

#include "eventpump.h"
#include "qtprompts.h"
#include "session.h"

namespace tessaro {

struct Platform {
  QtPrompts prompts;
  QtMessagePump pump;
  SteadyClock clock;
  Services services();
};

}  // namespace tessaro
