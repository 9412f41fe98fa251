#include "tracewindow.h"

#include "tracecsv.h"
#include "tracemodel.h"
#include "tracewidget.h"

#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <array>
#include <utility>

namespace dravix {
namespace {
// Print resolution for pictures.
constexpr int kPrintDpi = 300;
constexpr double kScreenDpi = 96;
constexpr double kInchesPerMeter = 1 / 0.0254;
} // namespace

TraceWindow::TraceWindow(const TraceModel& trace, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_trace(trace)
{
    setObjectName(QStringLiteral("TraceWindow"));
    m_widget = new TraceWidget(trace, this);
    m_widget->setObjectName(QStringLiteral("Trace"));
    setCentralWidget(m_widget);
    resize(900, 480);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* saveCsv =
        file->addAction(QStringLiteral("Save as &CSV…"), this, &TraceWindow::saveCsv);
    saveCsv->setObjectName(QStringLiteral("SaveCsv"));
    saveCsv->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* savePicture =
        file->addAction(QStringLiteral("Save &picture…"), this, &TraceWindow::savePicture);
    savePicture->setObjectName(QStringLiteral("SavePicture"));
    savePicture->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();
    QAction* close = file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    m_follow = view->addAction(QStringLiteral("&Follow"), m_widget, &TraceWidget::follow);
    m_follow->setShortcut(QKeySequence(Qt::Key_End));
    m_follow->setEnabled(false);
    view->addSeparator();
    auto* spans = new QActionGroup(this);
    const std::array<std::pair<const char*, TraceView::Span>, 4> choices{{
        {"Last 10 s", TraceView::Span::Last10s},
        {"Last minute", TraceView::Span::Last1min},
        {"Last 10 min", TraceView::Span::Last10min},
        {"Whole run", TraceView::Span::WholeRun},
    }};
    QToolBar* bar = addToolBar(QStringLiteral("Trace"));
    bar->setMovable(false);
    bar->addAction(m_follow);
    for (const auto& [caption, span] : choices) {
        QAction* action = view->addAction(QString::fromLatin1(caption));
        action->setCheckable(true);
        action->setChecked(span == TraceView::Span::Last1min);
        spans->addAction(action);
        bar->addAction(action);
        connect(action, &QAction::triggered, m_widget,
                [this, span = span] { m_widget->setSpan(span); });
    }
    bar->addSeparator();
    bar->addAction(saveCsv);
    bar->addAction(savePicture);
    // The keys work wherever the focus is in this window, menu bar shown or not.
    addActions({saveCsv, savePicture, m_follow, close});

    m_pointer = new QLabel(this);
    statusBar()->addWidget(m_pointer, 1);
    connect(m_widget, &TraceWidget::pointerReading, m_pointer, &QLabel::setText);
    connect(m_widget, &TraceWidget::followingChanged, m_follow,
            [this](bool following) { m_follow->setEnabled(!following); });
    connect(&m_trace, &TraceModel::traceStarted, this, &TraceWindow::updateTitle);
    updateTitle();
}

void TraceWindow::updateTitle()
{
    const QString title = QStringLiteral("Position trace");
    setWindowTitle(m_trace.source().isEmpty()
                       ? title
                       : QStringLiteral("%1 — %2").arg(title, m_trace.source()));
}

QString TraceWindow::suggestedName(const QString& suffix) const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name =
        QStringLiteral("trace-%1.%2")
            .arg(m_trace.startWallTime().toString(QStringLiteral("yyyyMMdd-HHmmss")), suffix);
    return QDir(folder).filePath(name);
}

bool TraceWindow::mayReplace(const QString& path)
{
    if (!QFileInfo::exists(path))
        return true;
    return QMessageBox::question(this, QStringLiteral("Save as CSV"),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(path))) == QMessageBox::Yes;
}

void TraceWindow::saveCsv()
{
    QFileDialog dialog(this, QStringLiteral("Save trace as CSV"),
                       suggestedName(QStringLiteral("csv")), QStringLiteral("CSV files (*.csv)"));
    dialog.setObjectName(QStringLiteral("SaveCsvDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    if (!mayReplace(commandsPathFor(path)))
        return;
    if (const QString error = saveTraceCsv(m_trace, path); !error.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Save as CSV"),
                             QStringLiteral("The trace was not saved.\n%1").arg(error));
}

void TraceWindow::savePicture()
{
    const QString png = QStringLiteral("PNG image (*.png)");
    const QString pdf = QStringLiteral("PDF document (*.pdf)");
    QFileDialog dialog(this, QStringLiteral("Save trace picture"),
                       suggestedName(QStringLiteral("png")), png + QStringLiteral(";;") + pdf);
    dialog.setObjectName(QStringLiteral("SavePictureDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(filter == pdf ? QStringLiteral("pdf") : QStringLiteral("png"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    // What is on screen now, the view frozen for the moment of drawing.
    const QRect area(QPoint(0, 0), m_widget->size());
    bool saved = false;
    if (QFileInfo(path).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0) {
        QPdfWriter writer(path);
        writer.setResolution(kPrintDpi);
        writer.setTitle(windowTitle());
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        QPainter painter;
        if (painter.begin(&writer)) {
            const double scale = std::min(writer.width() / double(area.width()),
                                          writer.height() / double(area.height()));
            painter.scale(scale, scale);
            m_widget->paintTrace(painter, area, false);
            saved = painter.end();
        }
    } else {
        const double scale = kPrintDpi / kScreenDpi;
        QImage image(area.size() * scale, QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        image.setDotsPerMeterX(static_cast<int>(kPrintDpi * kInchesPerMeter));
        image.setDotsPerMeterY(static_cast<int>(kPrintDpi * kInchesPerMeter));
        {
            QPainter painter(&image);
            m_widget->paintTrace(painter, area, false);
        }
        saved = image.save(path, "PNG");
    }
    if (!saved)
        QMessageBox::warning(
            this, QStringLiteral("Save picture"),
            QStringLiteral("The picture was not saved to %1.").arg(QDir::toNativeSeparators(path)));
}

} // namespace dravix
