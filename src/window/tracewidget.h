#pragma once

#include "traceview.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace dravix {

class TraceModel;

// The position trace drawn live: position against seconds since the run started, with the
// commands sent marked where they went out.
class TraceWidget final : public QWidget
{
    Q_OBJECT

public:
    explicit TraceWidget(const TraceModel& trace, QWidget* parent = nullptr);

    [[nodiscard]] static QColor lineColor() { return {0, 92, 204}; }
    [[nodiscard]] static QColor markColor() { return {214, 96, 0}; }

    void setSpan(TraceView::Span span);
    void follow();
    [[nodiscard]] bool following() const { return m_view.following(); }
    // The time range on screen now.
    [[nodiscard]] TimeRange shownRange() const;
    // Draws what is on screen into `area`, in logical pixels, on any device: screen, image or
    // PDF page; the pointer's reading only on screen.
    void paintTrace(QPainter& painter, const QRect& area, bool withPointer) const;

Q_SIGNALS:
    void followingChanged(bool following);
    // Time, hex and position of the reading nearest the pointer; empty when none.
    void pointerReading(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] QRect plotArea(const QRect& area) const;
    [[nodiscard]] qint64 firstTime() const;
    [[nodiscard]] qint64 lastTime() const;
    void scheduleRepaint();
    void changeView(bool wasFollowing);
    void pointAt(double x);

    const TraceModel& m_trace;
    TraceView m_view;
    QElapsedTimer m_sincePaint;
    QTimer m_frameTimer;
    int m_frameMs = 50;
    std::optional<double> m_dragX;
    std::optional<qsizetype> m_pointed;
};

} // namespace dravix
