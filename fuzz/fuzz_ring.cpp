// SPDX-License-Identifier: GPL-3.0-or-later
// ParseRing over arbitrary bytes; a ring it accepts must come back the same
// through SerializeRing, or a kept pitch, a comment or a field of another
// program would change on the next save.
#include <cassert>
#include <cstdint>

#include "RingDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString folder = QStringLiteral("/rings/tower");
    const RingParse parse = ParseRing(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), folder);
    if (const Ring* ring = std::get_if<Ring>(&parse)) {
        const RingParse again = ParseRing(SerializeRing(*ring, folder), folder);
        const Ring* reread = std::get_if<Ring>(&again);
        assert(reread != nullptr && reread->a4Hz == ring->a4Hz && reread->others == ring->others &&
               reread->bells.size() == ring->bells.size());
        for (std::size_t i = 0; reread != nullptr && i < ring->bells.size(); ++i) {
            assert(reread->bells[i].recording == ring->bells[i].recording);
            assert(reread->bells[i].byEarHz == ring->bells[i].byEarHz);
            assert(reread->bells[i].comment == ring->bells[i].comment);
            assert(reread->bells[i].others == ring->bells[i].others);
        }
    }
    return 0;
}
