// SPDX-License-Identifier: GPL-3.0-or-later
#include "BellPartials.h"

#include <cmath>
#include <optional>
#include <vector>

namespace {

double Cents(double frequency, double reference) {
    return 1200.0 * std::log2(frequency / reference);
}

double Power(const Peak& peak) {
    return std::pow(10.0, peak.levelDb / 10.0);
}

struct Naming {
    std::size_t nominal = 0;
    std::array<std::optional<std::size_t>, kBellPartials.size()> partials;
    int found = 0;
    double namedShare = 0.0;
};

Naming TryNominal(std::span<const Peak> peaks, std::size_t nominal) {
    Naming naming;
    naming.nominal = nominal;
    const double nominalHz = peaks[nominal].frequencyHz;
    double namedPower = Power(peaks[nominal]);
    for (std::size_t p = 0; p < kBellPartials.size(); ++p) {
        const BellPartial& partial = kBellPartials[p];
        const double expected = partial.ratio * nominalHz;
        double nearest = partial.toleranceCents;
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            const double off = std::abs(Cents(peaks[i].frequencyHz, expected));
            if (i != nominal && off <= nearest) {
                nearest = off;
                naming.partials[p] = i;
            }
        }
        if (naming.partials[p]) {
            ++naming.found;
            namedPower += Power(peaks[*naming.partials[p]]);
        }
    }
    double rangePower = 0.0;
    for (const Peak& peak : peaks) {
        if (peak.frequencyHz >= 0.2 * nominalHz && peak.frequencyHz <= 2.2 * nominalHz) {
            rangePower += Power(peak);
        }
    }
    naming.namedShare = rangePower > 0.0 ? namedPower / rangePower : 0.0;
    return naming;
}

constexpr std::size_t kTierce = 2;

}  // namespace

void NameBellPartials(std::span<Peak> peaks) {
    std::optional<Naming> best;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        peaks[i].partial.clear();
        if (peaks[i].levelDb < kNominalFloorDb) {
            continue;
        }
        const Naming naming = TryNominal(peaks, i);
        if (naming.found < kFewestPartials || !naming.partials[kTierce] ||
            naming.namedShare < kLeastNamedShare) {
            continue;
        }
        if (!best || naming.found > best->found ||
            (naming.found == best->found && naming.namedShare > best->namedShare)) {
            best = naming;
        }
    }
    if (!best) {
        return;
    }
    peaks[best->nominal].partial = kNominal;
    for (std::size_t p = 0; p < kBellPartials.size(); ++p) {
        if (best->partials[p]) {
            peaks[*best->partials[p]].partial = kBellPartials[p].name;
        }
    }
}
