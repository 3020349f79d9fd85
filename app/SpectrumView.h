// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <optional>
#include <span>
#include <vector>

#include "RecordingAnalysis.h"

class QPainter;
class QPen;

// The recording's spectrum on a logarithmic frequency axis, its peaks marked
// and named, and lines at the tone and the strike estimate. A click asks for a
// tone at the nearest peak within a few pixels, else at the clicked frequency.
class SpectrumView : public QWidget {
    Q_OBJECT

  public:
    static constexpr double kLowestHz = 50.0;
    static constexpr double kHighestHz = 5000.0;
    static constexpr double kFloorDb = -80.0;
    // How near a click must fall to a peak's mark to mean that peak.
    static constexpr int kPeakReachPixels = 6;

    explicit SpectrumView(QWidget* parent = nullptr);

    void SetAnalysis(std::optional<RecordingAnalysis> analysis);
    void SetToneFrequency(double hz);

    // Screen position of a frequency and back, in this widget's pixels.
    double XOf(double hz) const;
    double FrequencyAt(double x) const;

    // A partial's name where it is drawn.
    struct Label {
        QString text;
        QRectF rect;
    };
    // The names drawn, none over another: the louder partials placed first,
    // each just above its mark, else staggered in the rows above or below,
    // else shortened, else left out (the table lists them all); a doublet's
    // name once.
    std::vector<Label> Labels() const;

  signals:
    void clicked(double hz);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QRectF Plot() const;
    double YOf(double db) const;
    // The steps of painting, back to front.
    void PaintAxis(QPainter& painter) const;
    // The grid lines at 1, 2 and 5 of each decade, and their frequencies.
    void PaintLabels(QPainter& painter) const;
    void PaintCurve(QPainter& painter, const PeakSpectrum& spectrum) const;
    void PaintPeaks(QPainter& painter, std::span<const Peak> peaks) const;
    // The named peaks on the axis, loudest first.
    static std::vector<const Peak*> NamedByLoudness(std::span<const Peak> peaks);
    // The first place for a label of width w over the mark at (x, markTop)
    // that meets none of placed.
    std::optional<QRectF> FreePlace(double x, double markTop, double w,
                                    const std::vector<Label>& placed) const;
    // A line across the plot at hz: the tone's, the strike's.
    void PaintLine(QPainter& painter, double hz, const QPen& pen) const;

    std::optional<RecordingAnalysis> m_analysis;
    double m_toneHz = 440.0;
};
