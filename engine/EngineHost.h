// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the tone engine needs of the window that owns it.
class EngineHost {
  public:
    // Notification thread. Shows the recording's progress (0 to 100) and returns
    // only once the control shows it, so it may wait on the window thread.
    virtual void SetProgressPos(int position) = 0;

    // Window thread, inside CloseOutput while a refill is still running: shows
    // "Click OK..." and returns when the user dismisses it. The window thread must
    // keep processing messages meanwhile, so that a refill blocked in
    // SetProgressPos can finish.
    virtual void WaitForRefill() = 0;

  protected:
    ~EngineHost() = default;
};
