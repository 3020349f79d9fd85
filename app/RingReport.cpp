// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingReport.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "RingTableModel.h"

namespace {

// In points (1/72 in): the writer runs at 72 dpi so that fonts and lengths agree.
constexpr double kMargin = 28.0;
constexpr double kRowHeight = 11.0;
constexpr double kPlotHeight = 150.0;
constexpr double kPlotGap = 10.0;
constexpr int kPlotsAcross = 4;
constexpr double kFloorDb = -80.0;
// Column widths in shares of the page's width, in the model's column order.
constexpr double kColumnShares[RingTableModel::kColumnCount] = {
    2.5, 9, 10, 10, 10, 5, 5.5, 5.5, 5.5, 5.5, 5.5, 5.5, 5.5, 5.5, 9};

const QColor kCurveColour(0, 90, 200);
const QColor kPartialColour(200, 30, 30);

class Report {
  public:
    Report(QPdfWriter& writer, const RingTableModel& model)
        : m_writer(writer), m_painter(&writer), m_model(model) {
        const QRectF page = writer.pageLayout().paintRect(QPageLayout::Point);
        m_width = page.width() - 2 * kMargin;
        m_bottom = page.height() - kMargin;
        m_y = kMargin;
    }

    bool Ok() const { return m_painter.isActive(); }

    void Title(const QString& name, const QDateTime& when) {
        m_painter.setFont(Font(14, true));
        m_painter.drawText(QPointF(kMargin, m_y + 14), name);
        m_painter.setFont(Font(8));
        m_painter.drawText(QPointF(kMargin, m_y + 27),
                           QStringLiteral("%1 \u00b7 %2 bells \u00b7 A4 = %3 Hz")
                               .arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                               .arg(m_model.rowCount())
                               .arg(m_model.GetRing().a4Hz));
        m_y += 38;
    }

    void Table() {
        Row(-1);
        for (int row = 0; row < m_model.rowCount(); ++row) {
            Row(row);
        }
        m_y += kPlotGap;
    }

    void Spectra() {
        const double width = (m_width - (kPlotsAcross - 1) * kPlotGap) / kPlotsAcross;
        for (int row = 0; row < m_model.rowCount(); ++row) {
            const int across = row % kPlotsAcross;
            if (across == 0 && row > 0) {
                m_y += kPlotHeight + kPlotGap;
            }
            if (across == 0 && m_y + kPlotHeight > m_bottom) {
                m_writer.newPage();
                m_y = kMargin;
            }
            Spectrum(row, QRectF(kMargin + across * (width + kPlotGap), m_y, width, kPlotHeight));
        }
    }

  private:
    static QFont Font(double points, bool bold = false) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    // The header for row -1.
    void Row(int row) {
        if (m_y + kRowHeight > m_bottom) {
            m_writer.newPage();
            m_y = kMargin;
        }
        double total = 0;
        for (double share : kColumnShares) {
            total += share;
        }
        m_painter.setFont(Font(6, row < 0));
        double x = kMargin;
        for (int column = 0; column < RingTableModel::kColumnCount; ++column) {
            const double w = m_width * kColumnShares[column] / total;
            const QRectF cell(x, m_y, w, kRowHeight);
            const QString text = row < 0 ? m_model.headerData(column, Qt::Horizontal).toString()
                                         : m_model.data(m_model.index(row, column)).toString();
            if (row >= 0) {
                const QVariant background =
                    m_model.data(m_model.index(row, column), Qt::BackgroundRole);
                if (background.canConvert<QBrush>()) {
                    m_painter.fillRect(cell, background.value<QBrush>());
                }
            }
            const bool left =
                column == RingTableModel::kRecording || column == RingTableModel::kComment;
            m_painter.drawText(
                cell.adjusted(1.5, 0, -1.5, 0),
                Qt::AlignVCenter | (left ? Qt::AlignLeft : Qt::AlignRight),
                m_painter.fontMetrics().elidedText(text, Qt::ElideRight, static_cast<int>(w - 3)));
            x += w;
        }
        m_painter.setPen(QPen(Qt::gray, row < 0 ? 0.8 : 0.3));
        m_painter.drawLine(QPointF(kMargin, m_y + kRowHeight),
                           QPointF(kMargin + m_width, m_y + kRowHeight));
        m_painter.setPen(Qt::black);
        m_y += kRowHeight;
    }

    // The bell's curve from a fifth of its nominal to 2.6 times it (the whole
    // analysed band without a nominal), partials marked where named.
    void Spectrum(int row, const QRectF& box) {
        const RingRow& numbers = m_model.RowAt(row);
        m_painter.setFont(Font(7, true));
        const QString title = QStringLiteral("%1 %2").arg(
            numbers.number ? QStringLiteral("Bell %1").arg(*numbers.number)
                           : QStringLiteral("\u2013"),
            m_model.data(m_model.index(row, RingTableModel::kRecording)).toString());
        m_painter.drawText(QPointF(box.left(), box.top() + 8), title);
        const QRectF plot = box.adjusted(0, 12, 0, -10);
        m_painter.setPen(QPen(Qt::gray, 0.5));
        m_painter.drawRect(plot);
        const std::optional<RecordingAnalysis>& analysis = m_model.AnalysisAt(row);
        if (!analysis || analysis->spectrum.curveDb.empty()) {
            m_painter.setPen(Qt::black);
            return;
        }
        const PeakSpectrum& spectrum = analysis->spectrum;
        double low = spectrum.curveLowHz;
        double high = spectrum.curveHighHz;
        if (numbers.numbers.nominalHz) {
            low = std::max(low, 0.2 * *numbers.numbers.nominalHz);
            high = std::min(high, 2.6 * *numbers.numbers.nominalHz);
        }
        const auto x = [&](double hz) {
            return plot.left() + plot.width() * std::log(hz / low) / std::log(high / low);
        };
        const auto y = [&](double db) {
            return plot.top() + plot.height() * std::clamp(db / kFloorDb, 0.0, 1.0);
        };
        Curve(spectrum, x, y, low, high);
        Partials(spectrum, plot, x, low, high);
        m_painter.setPen(Qt::black);
        m_painter.setFont(Font(5));
        m_painter.drawText(QPointF(plot.left(), plot.bottom() + 7),
                           QStringLiteral("%1 Hz").arg(std::round(low)));
        const QString right = QStringLiteral("%1 Hz").arg(std::round(high));
        m_painter.drawText(QPointF(plot.right() - m_painter.fontMetrics().horizontalAdvance(right),
                                   plot.bottom() + 7),
                           right);
    }

    template <typename X, typename Y>
    void Curve(const PeakSpectrum& spectrum, const X& x, const Y& y, double low, double high) {
        const std::size_t points = spectrum.curveDb.size();
        const double ratio = spectrum.curveHighHz / spectrum.curveLowHz;
        QPainterPath path;
        bool started = false;
        for (std::size_t i = 0; i < points; ++i) {
            const double hz =
                spectrum.curveLowHz *
                std::pow(ratio, static_cast<double>(i) / static_cast<double>(points - 1));
            if (hz < low || hz > high) {
                continue;
            }
            const QPointF point(x(hz), y(spectrum.curveDb[i]));
            started ? path.lineTo(point) : path.moveTo(point);
            started = true;
        }
        m_painter.setPen(QPen(kCurveColour, 0.9));
        m_painter.drawPath(path);
    }

    // Each partial's line, and its name once (a doublet has two lines) in the
    // first row from the top where it covers no other name; left out when
    // no row is free (the table lists them all).
    template <typename X>
    void Partials(const PeakSpectrum& spectrum, const QRectF& plot, const X& x, double low,
                  double high) {
        m_painter.setFont(Font(4.5));
        const double rowHeight = 6.0;
        std::vector<QRectF> placed;
        std::vector<std::string_view> named;
        for (const Peak& peak : spectrum.peaks) {
            if (peak.partial.empty() || peak.frequencyHz < low || peak.frequencyHz > high) {
                continue;
            }
            const double at = x(peak.frequencyHz);
            m_painter.setPen(QPen(kPartialColour, 0.4, Qt::DashLine));
            m_painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
            if (std::ranges::find(named, peak.partial) != named.end()) {
                continue;
            }
            named.push_back(peak.partial);
            // Right of its line, or left of it near the plot's right edge.
            const QString name = QString::fromStdString(peak.partial);
            const double width = m_painter.fontMetrics().horizontalAdvance(name);
            const double left = at + 1.5 + width > plot.right() ? at - 1.5 - width : at + 1.5;
            for (double top = plot.top() + 1; top + rowHeight <= plot.bottom(); top += rowHeight) {
                const QRectF rect(left, top, width, rowHeight);
                if (std::ranges::none_of(placed,
                                         [&](const QRectF& r) { return r.intersects(rect); })) {
                    placed.push_back(rect);
                    m_painter.setPen(kPartialColour);
                    m_painter.drawText(QPointF(left, top + 5), name);
                    break;
                }
            }
        }
    }

    QPdfWriter& m_writer;
    QPainter m_painter;
    const RingTableModel& m_model;
    double m_width = 0;
    double m_bottom = 0;
    double m_y = 0;
};

}  // namespace

std::optional<QString> WriteRingReport(const QString& path, const RingTableModel& model,
                                       const QDateTime& when) {
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(),
                                     QPageLayout::Point));
    const QString name = QFileInfo(model.Path()).completeBaseName();
    writer.setTitle(name);
    writer.setCreator(QStringLiteral("Veltane"));
    {
        Report report(writer, model);
        if (!report.Ok()) {
            return QStringLiteral("%1 could not be written.").arg(path);
        }
        report.Title(name, when);
        report.Table();
        report.Spectra();
    }
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
        return QStringLiteral("%1 could not be written.").arg(path);
    }
    return std::nullopt;
}
