// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Saves samples as a 16-bit mono PCM WAV file at path, atomically: the bytes go
// to a temporary file in the same folder, are flushed to the disk, and only
// then take the name, replacing any file of that name. On failure (folder not
// writable, disk full, ...) nothing is left behind and an existing file of that
// name is untouched. Returns "" on success, otherwise the message for the user.
// Any thread; blocks on the disk.
std::string WriteMonoWav(const std::string& path, std::span<const std::int16_t> samples,
                         std::uint32_t samplesPerSec);
