// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QUrl;

// A Linux file name is bytes, and not all of them are UTF-8 (old archives,
// Windows shares, some recorders). These carry such a name through Qt's
// strings and back without losing a byte: every byte that is no part of valid
// UTF-8 becomes one of the lone surrogates U+DC80 to U+DCFF, which no valid
// UTF-8 decodes to, and turns back into that byte. Valid UTF-8 decodes as
// usual, so for every other name these are plain UTF-8 conversions.

QString DecodeFileName(std::string_view bytes);
std::string EncodeFileName(const QString& name);

// The bytes of a local file's path as the URL names them (percent-encoded
// bytes kept as they are); empty for a URL that names no local file.
std::string LocalFileBytes(const QUrl& url);
