// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

namespace {

// The fields of object other than the known ones.
QJsonObject Others(QJsonObject object, std::initializer_list<const char*> known) {
    for (const char* key : known) {
        object.remove(QLatin1String(key));
    }
    return object;
}

using BellParse = std::variant<RingBell, QString>;

QString Refusal(const QString& why) {
    return QStringLiteral("Not a Veltane ring: %1.").arg(why);
}

std::optional<QString> CheckHeader(const QJsonObject& root) {
    if (root.value(QLatin1String("format")) != QLatin1String(kRingFormat)) {
        return Refusal(QStringLiteral("its \"format\" is not \"%1\"").arg(kRingFormat));
    }
    const QJsonValue version = root.value(QLatin1String("version"));
    const double number = version.toDouble(-1.0);
    if (!version.isDouble() || number < 1.0 || number != std::floor(number)) {
        return Refusal(QStringLiteral("its \"version\" is not a whole number from 1"));
    }
    if (number > kRingVersion) {
        return QStringLiteral(
                   "The ring was written by a newer Veltane (ring version %1; this one reads "
                   "version %2).")
            .arg(number)
            .arg(kRingVersion);
    }
    return std::nullopt;
}

// An optional positive frequency; the reason when the value is of another kind.
std::variant<std::optional<double>, QString> ParseHz(const QJsonValue& value, const QString& name,
                                                     bool nullable) {
    if ((value.isUndefined() || value.isNull()) && nullable) {
        return std::optional<double>{};
    }
    if (!value.isDouble() || !(value.toDouble() > 0.0) || !std::isfinite(value.toDouble())) {
        return Refusal(QStringLiteral("%1 is not a frequency in Hz above 0%2")
                           .arg(name, nullable ? QStringLiteral(" or null") : QString()));
    }
    return std::optional<double>{value.toDouble()};
}

BellParse ParseBell(const QJsonValue& value, qsizetype index, const QDir& folder) {
    const QString where = QStringLiteral("bell %1").arg(index + 1);
    if (!value.isObject()) {
        return Refusal(QStringLiteral("%1 is not an object").arg(where));
    }
    const QJsonObject bell = value.toObject();
    const QJsonValue recording = bell.value(QLatin1String("recording"));
    if (!recording.isString() || recording.toString().isEmpty()) {
        return Refusal(QStringLiteral("%1 has no \"recording\" path").arg(where));
    }
    auto byEar = ParseHz(bell.value(QLatin1String("by_ear_hz")),
                         QStringLiteral("%1's \"by_ear_hz\"").arg(where), true);
    if (const QString* why = std::get_if<QString>(&byEar)) {
        return *why;
    }
    const QJsonValue comment = bell.value(QLatin1String("comment"));
    if (!comment.isUndefined() && !comment.isString()) {
        return Refusal(QStringLiteral("%1's \"comment\" is not text").arg(where));
    }
    return RingBell{QDir::cleanPath(folder.absoluteFilePath(recording.toString())),
                    std::get<std::optional<double>>(byEar), comment.toString(),
                    Others(bell, {"recording", "by_ear_hz", "comment"})};
}

}  // namespace

RingParse ParseRing(const QByteArray& bytes, const QString& folder) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        return Refusal(QStringLiteral("it is not JSON (%1 at byte %2)")
                           .arg(error.errorString())
                           .arg(error.offset));
    }
    if (!document.isObject()) {
        return Refusal(QStringLiteral("it is not a JSON object"));
    }
    const QJsonObject root = document.object();
    if (std::optional<QString> why = CheckHeader(root)) {
        return *why;
    }
    Ring ring;
    ring.others = Others(root, {"format", "version", "a4_hz", "bells"});
    const QJsonValue a4 = root.value(QLatin1String("a4_hz"));
    if (!a4.isUndefined()) {
        auto hz = ParseHz(a4, QStringLiteral("\"a4_hz\""), false);
        if (const QString* why = std::get_if<QString>(&hz)) {
            return *why;
        }
        ring.a4Hz = *std::get<std::optional<double>>(hz);
    }
    const QJsonValue bells = root.value(QLatin1String("bells"));
    if (!bells.isArray()) {
        return Refusal(QStringLiteral("its \"bells\" is not a list"));
    }
    const QJsonArray list = bells.toArray();
    const QDir dir(folder);
    for (qsizetype i = 0; i < list.size(); ++i) {
        BellParse bell = ParseBell(list.at(i), i, dir);
        if (const QString* why = std::get_if<QString>(&bell)) {
            return *why;
        }
        ring.bells.push_back(std::move(std::get<RingBell>(bell)));
    }
    return ring;
}

QByteArray SerializeRing(const Ring& ring, const QString& folder) {
    const QDir dir(folder);
    QJsonArray bells;
    for (const RingBell& bell : ring.bells) {
        const QString relative = dir.relativeFilePath(bell.recording);
        const bool inside = !relative.startsWith(QLatin1String("../")) && relative != "..";
        QJsonObject object = bell.others;
        object.insert(QLatin1String("recording"), inside ? relative : bell.recording);
        object.insert(QLatin1String("by_ear_hz"),
                      bell.byEarHz ? QJsonValue(*bell.byEarHz) : QJsonValue(QJsonValue::Null));
        object.insert(QLatin1String("comment"), bell.comment);
        bells.append(object);
    }
    QJsonObject root = ring.others;
    root.insert(QLatin1String("format"), QLatin1String(kRingFormat));
    root.insert(QLatin1String("version"), kRingVersion);
    root.insert(QLatin1String("a4_hz"), ring.a4Hz);
    root.insert(QLatin1String("bells"), bells);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

RingParse ReadRing(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("Cannot open the ring: %1.").arg(file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return QStringLiteral("Cannot read the ring: %1.").arg(file.errorString());
    }
    return ParseRing(bytes, QFileInfo(path).absolutePath());
}

std::optional<QString> WriteRing(const Ring& ring, const QString& path) {
    const QByteArray bytes = SerializeRing(ring, QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return QStringLiteral("The ring could not be saved to %1: %2.")
            .arg(path, file.errorString());
    }
    return std::nullopt;
}
