#pragma once

#include <string>

#include "platform/TellText.h"
#include "platform/WinSystem.h"

namespace orvane {

// This run's log, and what of its lines the caller is told; each call as
// Env's of the same name promises.
class RunLog {
  public:
    // Env::StartLog.
    std::string Start();
    // Env::Log.
    void Write(const std::string& line);
    void Tell(const std::string& line);
    void FinishTelling();

  private:
    OwnedHandle file_;
    std::string path_;
    CallerLines told_;
};

}  // namespace orvane
