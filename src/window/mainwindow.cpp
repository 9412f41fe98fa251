#include "mainwindow.h"

#include "commandrules.h"
#include "commandtextvalidator.h"
#include "designvalues.h"
#include "flatframestyle.h"
#include "listdisplay.h"
#include "messageboxreporter.h"
#include "monitorlist.h"
#include "monitorrowdelegate.h"
#include "pushbutton.h"
#include "tracewindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QToolTip>

#include <algorithm>
#include <vector>

namespace dravix {
namespace {

QWidget* createControl(const ControlDesign& design, QWidget* container, QStyle* frameStyle)
{
    const QString caption = QString::fromLatin1(design.caption);
    switch (design.kind) {
    case ControlKind::Frame: {
        auto* frame = new QGroupBox(caption, container);
        frame->setStyle(frameStyle);
        return frame;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(caption, container);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(design.alignment);
        return label;
    }
    case ControlKind::TextBox: {
        auto* edit = new QLineEdit(caption, container);
        edit->setMaxLength(kCommandMaxLength);
        edit->setValidator(new CommandTextValidator(edit));
        return edit;
    }
    case ControlKind::PushButton:
        return new PushButton(caption, container);
    case ControlKind::OptionButton:
        return new QRadioButton(caption, container);
    case ControlKind::ListBox: {
        auto* list = new MonitorList(container);
        list->setUniformItemSizes(true);
        // Eight received characters always fit; none may hide behind an ellipsis.
        list->setTextElideMode(Qt::ElideNone);
        return list;
    }
    }
    return nullptr;
}

void applyDesign(const ControlDesign& design, QWidget& control)
{
    control.setObjectName(QString::fromLatin1(design.name));
    control.setGeometry(twipsToPixels(design.left), twipsToPixels(design.top),
                        twipsToPixels(design.width), twipsToPixels(design.height));

    QFont font(QString::fromLatin1(design.font.family));
    font.setPointSizeF(design.font.pointSize);
    font.setBold(design.font.bold);
    control.setFont(font);

    QPalette palette = control.palette();
    if (design.background) {
        const QPalette::ColorRole role =
            design.kind == ControlKind::TextBox || design.kind == ControlKind::ListBox
                ? QPalette::Base
                : QPalette::Window;
        palette.setColor(role, *design.background);
        // Buttons fill with the Button role by default; an option button is drawn on its own
        // colour like a label.
        control.setBackgroundRole(role);
        control.setAutoFillBackground(role == QPalette::Window);
    }
    if (design.textColor) {
        palette.setColor(QPalette::WindowText, *design.textColor);
        palette.setColor(QPalette::Text, *design.textColor);
    }
    control.setPalette(palette);
}

} // namespace

MainWindow::MainWindow(std::unique_ptr<ErrorReporter> reporter, QWidget* parent)
    : QWidget(parent), m_reporter(std::move(reporter))
{
    if (!m_reporter)
        m_reporter = std::make_unique<MessageBoxReporter>(this);

    buildControls();

    m_display = std::make_unique<ListDisplay>(*m_hexList, *m_decimalList);
    m_session = new TerminalSession(*m_display, *this, this);
    m_session->setDecimalSeparator(locale().decimalPoint());

    wireControls();
}

MainWindow::~MainWindow() = default;

template <typename T> T* MainWindow::control(Control id) const
{
    auto* typed = qobject_cast<T*>(m_controls.at(static_cast<std::size_t>(id)));
    Q_ASSERT(typed);
    return typed;
}

void MainWindow::buildControls()
{
    setObjectName(QString::fromLatin1(kWindowName));
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, windowBackground());
    setPalette(palette);
    setAutoFillBackground(true);
    resize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));

    m_frameStyle = new FlatFrameStyle(QStyleFactory::create(QApplication::style()->name()));
    m_frameStyle->setParent(this);

    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlDesign& design : controlDesigns()) {
        QWidget* container = design.container ? control<QWidget>(*design.container) : this;
        QWidget* control = createControl(design, container, m_frameStyle);
        applyDesign(design, *control);
        m_controls.at(static_cast<std::size_t>(design.id)) = control;
        tabOrder.emplace_back(design.tabIndex, control);
    }

    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    QWidget* previous = nullptr;
    for (const auto& [index, control] : tabOrder) {
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }

    m_text = control<QLineEdit>(Control::Text1);
    m_send = control<QPushButton>(Control::Command1);
    m_clear = control<QPushButton>(Control::Command3);
    m_posMove = control<QPushButton>(Control::Command7);
    m_negMove = control<QPushButton>(Control::Command8);
    m_option1 = control<QRadioButton>(Control::Option1);
    m_option2 = control<QRadioButton>(Control::Option2);
    m_hexList = control<QListWidget>(Control::List1);
    m_decimalList = control<QListWidget>(Control::List2);
    m_hexList->setItemDelegate(new MonitorRowDelegate(true, m_hexList));
    m_decimalList->setItemDelegate(new MonitorRowDelegate(false, m_decimalList));

    m_send->setEnabled(false);
    m_portButtons = new QButtonGroup(this);
    m_portButtons->addButton(m_option1, 1);
    m_portButtons->addButton(m_option2, 2);
}

void MainWindow::wireControls()
{
    // clicked, not toggled: a button unselected by the program must not run a selection.
    connect(m_portButtons, &QButtonGroup::idClicked, m_session, &TerminalSession::selectPort);
    connect(m_clear, &QPushButton::clicked, m_session, &TerminalSession::requestClear);
    connect(m_send, &QPushButton::clicked, m_session, [this] { m_session->send(m_text->text()); });
    connect(m_posMove, &QPushButton::clicked, m_session, &TerminalSession::posMove);
    connect(m_negMove, &QPushButton::clicked, m_session, &TerminalSession::negMove);
    for (QRadioButton* option : {m_option1, m_option2}) {
        option->installEventFilter(this);
        // Right-click; the menu key and Shift+F10 come through the event filter.
        option->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(option, &QWidget::customContextMenuRequested, this, [this, option](QPoint pos) {
            showPortMenu(option == m_option1 ? 1 : 2, option->mapToGlobal(pos));
        });
    }
    connect(m_session, &TerminalSession::errorRaised, this,
            [this](int number, const QString& text) { m_reporter->report(number, text); });

    // No control of its own: the lists' context menu and a key open it.
    auto* showTrace = new QAction(QStringLiteral("Show position trace"), this);
    showTrace->setObjectName(QStringLiteral("ShowTrace"));
    showTrace->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(showTrace, &QAction::triggered, this, &MainWindow::showTrace);
    addAction(showTrace);
    for (QListWidget* list : {m_hexList, m_decimalList}) {
        list->addAction(showTrace);
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
}

void MainWindow::showTrace()
{
    if (!m_traceWindow)
        m_traceWindow = new TraceWindow(m_session->trace(), this);
    m_traceWindow->show();
    m_traceWindow->raise();
    m_traceWindow->activateWindow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Worked out when asked, as adapters come and go.
    if (watched != m_option1 && watched != m_option2)
        return QWidget::eventFilter(watched, event);
    const int portNumber = watched == m_option1 ? 1 : 2;
    auto* option = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           m_session->portToolTip(portNumber), option);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Menu ||
            (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            showPortMenu(portNumber, option->mapToGlobal(option->rect().bottomLeft()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showPortMenu(int portNumber, const QPoint& globalPos)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("portMenu%1").arg(portNumber));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto* group = new QActionGroup(menu);
    for (const PortMenuEntry& entry : m_session->portMenu(portNumber)) {
        QAction* action = menu->addAction(entry.text);
        action->setCheckable(true);
        action->setChecked(entry.checked);
        group->addAction(action);
        connect(action, &QAction::triggered, m_session, [this, portNumber, device = entry.device] {
            m_session->choosePortDevice(portNumber, device);
        });
        if (entry.device.isEmpty())
            menu->addSeparator();
    }
    // Not exec(): no event loop of its own inside the window's.
    menu->popup(globalPos);
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Only the first activation counts; coming back from another application does not.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_session->startUp();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_session->shutDown();
    // Never refused, never asks: the last window closing ends the program.
    event->accept();
}

void MainWindow::setSendEnabled(bool enabled)
{
    m_send->setEnabled(enabled);
}

void MainWindow::unselectPortButton(int portNumber)
{
    QAbstractButton* button = m_portButtons->button(portNumber);
    if (!button || !button->isChecked())
        return;
    // An exclusive group keeps one button checked; lift that for the moment of the change.
    m_portButtons->setExclusive(false);
    button->setChecked(false);
    m_portButtons->setExclusive(true);
}

} // namespace dravix
