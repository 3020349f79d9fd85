// SPDX-License-Identifier: GPL-3.0-or-later
#include "BellPartials.h"

#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kMostPartials = 6;
// How far the reference partial's doublet may lie from it.
constexpr double kReferenceDoubletCents = 50.0;

// How one kind of bell is named from its reference partial.
struct BellModel {
    BellKind kind;
    std::string_view reference;
    std::span<const BellPartial> partials;
    std::array<std::optional<std::size_t>, 2> required;  // indices into partials
    double lowestRatio;  // the named share is taken of the power from here up
};

constexpr BellModel kChurch{BellKind::kChurch, kNominal, kBellPartials, {2, std::nullopt}, 0.2};
constexpr BellModel kTubular{BellKind::kTubular, kMode4, kTubularModes, {2, 3}, 0.25};

double Cents(double frequency, double reference) {
    return 1200.0 * std::log2(frequency / reference);
}

double Power(const Peak& peak) {
    return std::pow(10.0, peak.levelDb / 10.0);
}

struct Naming {
    const BellModel* model = nullptr;
    std::size_t reference = 0;
    std::array<std::optional<std::size_t>, kMostPartials> partials;
    int found = 0;
    double namedShare = 0.0;
};

// The strongest peak within partial's tolerance of its place, other than
// reference: a recording's small ripples near a partial then cannot take its
// name.
std::optional<std::size_t> Strongest(std::span<const Peak> peaks, std::size_t reference,
                                     const BellPartial& partial) {
    const double expected = partial.ratio * peaks[reference].frequencyHz;
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        const double off = std::abs(Cents(peaks[i].frequencyHz, expected));
        if (i != reference && off <= partial.toleranceCents &&
            peaks[i].levelDb >= kQuietestPartialDb &&
            (!found || peaks[i].levelDb > peaks[*found].levelDb)) {
            found = i;
        }
    }
    return found;
}

Naming TryReference(std::span<const Peak> peaks, std::size_t reference, const BellModel& model) {
    Naming naming{&model, reference, {}, 0, 0.0};
    const double referenceHz = peaks[reference].frequencyHz;
    double namedPower = Power(peaks[reference]);
    for (std::size_t p = 0; p < model.partials.size(); ++p) {
        naming.partials[p] = Strongest(peaks, reference, model.partials[p]);
        if (naming.partials[p]) {
            ++naming.found;
            namedPower += Power(peaks[*naming.partials[p]]);
        }
    }
    double rangePower = 0.0;
    for (const Peak& peak : peaks) {
        if (peak.frequencyHz >= model.lowestRatio * referenceHz) {
            rangePower += Power(peak);
        }
    }
    naming.namedShare = rangePower > 0.0 ? namedPower / rangePower : 0.0;
    return naming;
}

bool Fits(const Naming& naming) {
    for (const std::optional<std::size_t> required : naming.model->required) {
        if (required && !naming.partials[*required]) {
            return false;
        }
    }
    return naming.found >= kFewestPartials && naming.namedShare >= kLeastNamedShare;
}

// The reference that names the most partials (the larger share when as many).
std::optional<Naming> BestNaming(std::span<const Peak> peaks, const BellModel& model) {
    std::optional<Naming> best;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        if (peaks[i].levelDb < kNominalFloorDb) {
            continue;
        }
        const Naming naming = TryReference(peaks, i, model);
        if (Fits(naming) &&
            (!best || naming.found > best->found ||
             (naming.found == best->found && naming.namedShare > best->namedShare))) {
            best = naming;
        }
    }
    return best;
}

// The peak nearest named's that lies within partial's tolerance of where
// naming expects it and is no more than kDoubletFloorDb below it, unnamed.
std::optional<std::size_t> DoubletOf(std::span<const Peak> peaks, const Naming& naming,
                                     std::size_t named, const BellPartial& partial) {
    const double expected = partial.ratio * peaks[naming.reference].frequencyHz;
    std::optional<std::size_t> other;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        const bool near = std::abs(Cents(peaks[i].frequencyHz, expected)) <= partial.toleranceCents;
        const bool loud = peaks[i].levelDb >= peaks[named].levelDb + kDoubletFloorDb;
        const bool nearer =
            !other || std::abs(peaks[i].frequencyHz - peaks[named].frequencyHz) <
                          std::abs(peaks[*other].frequencyHz - peaks[named].frequencyHz);
        if (i != named && near && loud && peaks[i].partial.empty() && nearer) {
            other = i;
        }
    }
    return other;
}

void NameDoublet(std::span<Peak> peaks, const Naming& naming, std::size_t named,
                 const BellPartial& partial) {
    if (const std::optional<std::size_t> other = DoubletOf(peaks, naming, named, partial)) {
        peaks[*other].partial = partial.name;
        const double beat = std::abs(peaks[*other].frequencyHz - peaks[named].frequencyHz);
        peaks[*other].beatHz = peaks[named].beatHz = beat;
    }
}

void Apply(std::span<Peak> peaks, const Naming& naming) {
    const BellModel& model = *naming.model;
    peaks[naming.reference].partial = model.reference;
    for (std::size_t p = 0; p < model.partials.size(); ++p) {
        if (naming.partials[p]) {
            peaks[*naming.partials[p]].partial = model.partials[p].name;
        }
    }
    NameDoublet(peaks, naming, naming.reference, {model.reference, 1.0, kReferenceDoubletCents});
    for (std::size_t p = 0; p < model.partials.size(); ++p) {
        if (naming.partials[p]) {
            NameDoublet(peaks, naming, *naming.partials[p], model.partials[p]);
        }
    }
}

}  // namespace

std::string_view ReferencePartial(BellKind kind) {
    switch (kind) {
        case BellKind::kChurch:
            return kNominal;
        case BellKind::kTubular:
            return kMode4;
        case BellKind::kNone:
            break;
    }
    return {};
}

BellKind NameBellPartials(std::span<Peak> peaks) {
    for (Peak& peak : peaks) {
        peak.partial.clear();
        peak.beatHz.reset();
    }
    const std::optional<Naming> church = BestNaming(peaks, kChurch);
    const std::optional<Naming> tubular = BestNaming(peaks, kTubular);
    const std::optional<Naming>& best =
        tubular && (!church || tubular->found > church->found) ? tubular : church;
    if (!best) {
        return BellKind::kNone;
    }
    Apply(peaks, *best);
    return best->model->kind;
}
