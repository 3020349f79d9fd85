// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpectrumView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string_view>

namespace {

constexpr std::array<double, 7> kLabelledHz{50, 100, 200, 500, 1000, 2000, 5000};

// A partial's name cut to a few letters: "oct" for the octave nominal, "sq"
// for the superquint, "m4" for mode 4.
QString ShortName(std::string_view name) {
    if (name == "superquint") {
        return QStringLiteral("sq");
    }
    if (name.starts_with("mode ")) {
        return QStringLiteral("m%1").arg(QString::fromUtf8(name.substr(5).data(), 1));
    }
    return QString::fromUtf8(name.substr(0, std::min<std::size_t>(3, name.size())).data(),
                             static_cast<qsizetype>(std::min<std::size_t>(3, name.size())));
}

QString HzLabel(double hz) {
    return hz >= 1000.0 ? QStringLiteral("%1k").arg(hz / 1000.0) : QString::number(hz);
}

}  // namespace

SpectrumView::SpectrumView(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(80);
    setCursor(Qt::CrossCursor);
}

void SpectrumView::SetAnalysis(std::optional<RecordingAnalysis> analysis) {
    m_analysis = std::move(analysis);
    update();
}

void SpectrumView::SetToneFrequency(double hz) {
    m_toneHz = hz;
    update();
}

QRectF SpectrumView::Plot() const {
    const int text = fontMetrics().height();
    // Room above for the partials' names and below for the axis labels.
    return QRectF(4.0, text + 4.0, width() - 8.0, height() - 2.0 * text - 8.0);
}

double SpectrumView::XOf(double hz) const {
    const QRectF plot = Plot();
    return plot.left() + plot.width() * std::log(hz / kLowestHz) / std::log(kHighestHz / kLowestHz);
}

double SpectrumView::FrequencyAt(double x) const {
    const QRectF plot = Plot();
    return kLowestHz *
           std::exp((x - plot.left()) / plot.width() * std::log(kHighestHz / kLowestHz));
}

double SpectrumView::YOf(double db) const {
    const QRectF plot = Plot();
    return plot.top() + plot.height() * std::clamp(db / kFloorDb, 0.0, 1.0);
}

void SpectrumView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(Plot(), palette().color(QPalette::Base));
    PaintAxis(painter);
    if (m_analysis && !m_analysis->spectrum.curveDb.empty()) {
        PaintCurve(painter, m_analysis->spectrum);
        PaintPeaks(painter, m_analysis->spectrum.peaks);
        if (m_analysis->strike) {
            PaintLine(painter, m_analysis->strike->frequencyHz,
                      QPen(QColor(0, 128, 0), 1, Qt::DashLine));
        }
    }
    PaintLine(painter, m_toneHz, QPen(QColor(200, 0, 0), 1.5));
}

void SpectrumView::PaintAxis(QPainter& painter) const {
    const QRectF plot = Plot();
    // Ticks at every 1 to 9 of each decade; labels at 1, 2 and 5.
    const QColor grid = palette().color(QPalette::Mid);
    painter.setPen(grid);
    for (double decade = 10.0; decade < kHighestHz; decade *= 10.0) {
        for (int step = 1; step <= 9; ++step) {
            const double hz = decade * step;
            if (hz >= kLowestHz && hz <= kHighestHz) {
                const double x = XOf(hz);
                painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() - 4.0));
            }
        }
    }
    PaintLabels(painter);
    painter.drawRect(plot);
}

void SpectrumView::PaintLabels(QPainter& painter) const {
    const QRectF plot = Plot();
    const QColor grid = palette().color(QPalette::Mid);
    painter.setPen(palette().color(QPalette::WindowText));
    const int text = fontMetrics().height();
    for (const double hz : kLabelledHz) {
        const double x = XOf(hz);
        painter.setPen(grid);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(palette().color(QPalette::WindowText));
        const QString label = HzLabel(hz);
        const double w = fontMetrics().horizontalAdvance(label);
        painter.drawText(QPointF(std::clamp(x - w / 2, 0.0, width() - w), plot.bottom() + text),
                         label);
    }
    painter.drawText(
        QPointF(plot.right() - fontMetrics().horizontalAdvance("Hz") - 2, plot.bottom() - 6),
        QStringLiteral("Hz"));
}

void SpectrumView::PaintCurve(QPainter& painter, const PeakSpectrum& spectrum) const {
    QPainterPath curve;
    const double span = std::log(spectrum.curveHighHz / spectrum.curveLowHz);
    const std::size_t points = spectrum.curveDb.size();
    for (std::size_t i = 0; i < points; ++i) {
        const double hz = spectrum.curveLowHz *
                          std::exp(span * static_cast<double>(i) / static_cast<double>(points - 1));
        if (hz < kLowestHz || hz > kHighestHz) {
            continue;
        }
        const QPointF point(XOf(hz), YOf(spectrum.curveDb[i]));
        if (curve.elementCount() == 0) {
            curve.moveTo(point);
        } else {
            curve.lineTo(point);
        }
    }
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1.2));
    painter.drawPath(curve);
}

void SpectrumView::PaintPeaks(QPainter& painter, std::span<const Peak> peaks) const {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(palette().color(QPalette::WindowText));
    for (const Peak& peak : peaks) {
        if (peak.frequencyHz >= kLowestHz && peak.frequencyHz <= kHighestHz) {
            const QPointF top(XOf(peak.frequencyHz), YOf(peak.levelDb));
            painter.drawPolygon(QPolygonF{top, top + QPointF(-3, -5), top + QPointF(3, -5)});
        }
    }
    for (const Label& label : Labels()) {
        painter.drawText(label.rect, Qt::AlignCenter, label.text);
    }
}

std::vector<const Peak*> SpectrumView::NamedByLoudness(std::span<const Peak> peaks) {
    std::vector<const Peak*> named;
    for (const Peak& peak : peaks) {
        if (!peak.partial.empty() && peak.frequencyHz >= kLowestHz &&
            peak.frequencyHz <= kHighestHz) {
            named.push_back(&peak);
        }
    }
    std::ranges::stable_sort(named, std::greater{}, &Peak::levelDb);
    return named;
}

std::vector<SpectrumView::Label> SpectrumView::Labels() const {
    std::vector<Label> placed;
    if (!m_analysis) {
        return placed;
    }
    const std::vector<const Peak*> named = NamedByLoudness(m_analysis->spectrum.peaks);
    std::vector<std::string_view> done;
    for (const Peak* peak : named) {
        if (std::ranges::find(done, peak->partial) != done.end()) {
            continue;  // a doublet's weaker peak
        }
        done.push_back(peak->partial);
        const double x = XOf(peak->frequencyHz);
        const double markTop = YOf(peak->levelDb) - 5.0;
        for (const QString& text :
             {QString::fromStdString(peak->partial), ShortName(peak->partial)}) {
            const double w = fontMetrics().horizontalAdvance(text);
            if (const std::optional<QRectF> rect = FreePlace(x, markTop, w, placed)) {
                placed.push_back({text, *rect});
                break;
            }
        }
    }
    return placed;
}

std::optional<QRectF> SpectrumView::FreePlace(double x, double markTop, double w,
                                              const std::vector<Label>& placed) const {
    const double h = fontMetrics().height();
    const double left = std::clamp(x - w / 2, 0.0, width() - w);
    // Rows upward from just above the mark to the top, then downward from the
    // mark into the plot.
    std::vector<double> tops;
    for (double top = markTop - 1.0 - h; top >= 0.0; top -= h) {
        tops.push_back(top);
    }
    for (double top = std::max(0.0, markTop + 7.0); top + h <= Plot().bottom(); top += h) {
        tops.push_back(top);
    }
    for (const double top : tops) {
        const QRectF rect(left, top, w, h);
        const bool free = std::ranges::none_of(
            placed, [&](const Label& label) { return label.rect.intersects(rect); });
        if (free) {
            return rect;
        }
    }
    return std::nullopt;
}

void SpectrumView::PaintLine(QPainter& painter, double hz, const QPen& pen) const {
    const QRectF plot = Plot();
    const double x = XOf(hz);
    painter.setPen(pen);
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
}

void SpectrumView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Plot().contains(event->position())) {
        QWidget::mousePressEvent(event);
        return;
    }
    const double x = event->position().x();
    double hz = FrequencyAt(x);
    if (m_analysis) {
        double nearest = kPeakReachPixels + 0.5;
        for (const Peak& peak : m_analysis->spectrum.peaks) {
            const double distance = std::abs(XOf(peak.frequencyHz) - x);
            if (distance < nearest) {
                nearest = distance;
                hz = peak.frequencyHz;
            }
        }
    }
    emit clicked(hz);
}
