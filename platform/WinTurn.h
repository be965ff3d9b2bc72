#pragma once

#include "platform/WinSystem.h"

namespace orvane {

// This run's turn: the machine-wide mutex Global\Orvane.Templates, owned
// from Take until GiveBack, or until the object goes.
class Turn {
  public:
    Turn() = default;
    ~Turn() { GiveBack(); }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

    // As Env::TakeTurn promises.
    Status Take();
    void GiveBack();

  private:
    OwnedHandle mutex_;
    bool held_ = false;
};

}  // namespace orvane
