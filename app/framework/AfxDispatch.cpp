// SPDX-License-Identifier: GPL-3.0-or-later
#include "AfxDispatch.h"

#include <exception>
#include <new>
#include <string>

#include "AfxMessageBox.h"

void AfxDispatch(const std::function<void()>& handler) {
    std::string report;
    try {
        handler();
        return;
    } catch (const std::bad_alloc&) {
        report = "Out of memory.";
    } catch (const std::exception& error) {
        report = error.what();
        if (report.empty()) {
            report = "An unexpected error occurred.";
        }
    } catch (...) {
        report = "An unexpected error occurred.";
    }
    // Outside the handler: the box runs its own event loop, which may dispatch
    // again.
    AfxMessageBox(report);
}
