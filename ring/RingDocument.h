// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

#include "Ring.h"

// The ring file (.vring): JSON as docs/ring-format.md describes it.
inline constexpr char kRingFormat[] = "veltane-ring";
inline constexpr int kRingVersion = 1;
inline constexpr char kRingSuffix[] = "vring";

// A ring, or the reason the bytes are not one (a sentence for the user).
using RingParse = std::variant<Ring, QString>;

// Pure: the ring in bytes read from a file in folder (an absolute path), which
// relative recording paths are resolved against. Unknown fields are ignored.
RingParse ParseRing(const QByteArray& bytes, const QString& folder);

// Pure: the bytes of the ring for a file in folder; a recording inside the
// folder (or below it) is written relative to it, any other absolute.
QByteArray SerializeRing(const Ring& ring, const QString& folder);

// Reads the ring file at path; any thread.
RingParse ReadRing(const QString& path);

// Writes the ring to path atomically: the old file stays whole until the new
// one is complete on disk. The reason when it cannot be written; nothing when
// written. Any thread.
std::optional<QString> WriteRing(const Ring& ring, const QString& path);
