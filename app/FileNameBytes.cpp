// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileNameBytes.h"

#include <QUrl>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + the byte, 0x80 to 0xFF

// The length of the well-formed UTF-8 sequence that starts bytes, or 0 when it
// starts with none (the ranges of the Unicode standard's table of well-formed
// byte sequences: no overlong forms, no surrogates, nothing past U+10FFFF).
std::size_t WellFormedLength(std::string_view bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if ((at(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

bool IsEscapedByte(QChar c) {
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
}

}  // namespace

QString DecodeFileName(std::string_view bytes) {
    QString name;
    std::size_t runStart = 0;
    std::size_t i = 0;
    const auto flushRun = [&] {
        name += QString::fromUtf8(bytes.data() + runStart, static_cast<qsizetype>(i - runStart));
    };
    while (i < bytes.size()) {
        const std::size_t length = WellFormedLength(bytes.substr(i));
        if (length > 0) {
            i += length;
            continue;
        }
        flushRun();
        name += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
        runStart = ++i;
    }
    flushRun();
    return name;
}

std::string EncodeFileName(const QString& name) {
    std::string bytes;
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        bytes += name.mid(runStart, end - runStart).toStdString();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            ++i;  // a pair stands for one character beyond U+FFFF
        } else if (IsEscapedByte(c)) {
            flushRun(i);
            bytes += static_cast<char>(c.unicode() - kEscapeBase);
            runStart = i + 1;
        }
    }
    flushRun(name.size());
    return bytes;
}

std::string LocalFileBytes(const QUrl& url) {
    if (!url.isLocalFile()) {
        return {};
    }
    // toLocalFile() would decode the path as UTF-8 and replace what is not.
    std::string path =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
    // A file on another host is a network share's, as toLocalFile() has it.
    return url.host().isEmpty() ? path : "//" + url.host().toStdString() + path;
}
