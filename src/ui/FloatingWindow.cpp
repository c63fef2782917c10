#include "ui/FloatingWindow.h"

#include "model/FolderWatcher.h"
#include "model/SettingsKey.h"
#include "model/UserDefaults.h"
#include "ui/DisplayFont.h"
#include "ui/FloatingLayout.h"
#include "ui/SettingsButton.h"
#include "ui/TightNumeral.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEasingCurve>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

// How close to the border a press resizes rather than moves the frameless window.
constexpr int resizeMargin = 6;

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

// The header's first baseline, shared by the painting and the settings button's placement.
qreal headerBaseline(const FloatingLayout& layout)
{
    const QFontMetricsF heading(DisplayFont::sans(layout.textSize, true));
    const QFontMetricsF context(DisplayFont::sans(layout.contextSize()));
    return FloatingLayout::topInset + std::max(heading.ascent(), context.ascent());
}

qreal headerBottom(const FloatingLayout& layout)
{
    const QFontMetricsF heading(DisplayFont::sans(layout.textSize, true));
    const QFontMetricsF context(DisplayFont::sans(layout.contextSize()));
    return headerBaseline(layout) + std::max(heading.descent(), context.descent());
}

} // namespace

FloatingWindow::FloatingWindow(FolderWatcher& watcher, UserDefaults& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_watcher(watcher), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Quorvel"));
    setMinimumSize(FloatingLayout::minimumSize);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_settingsButton = new SettingsButton(this);
    connect(m_settingsButton, &QAbstractButton::clicked, this,
            &FloatingWindow::preferencesRequested);

    m_preferencesAction = new QAction(QStringLiteral("Preferences…"), this);
    m_preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_preferencesAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_preferencesAction, &QAction::triggered, this, &FloatingWindow::preferencesRequested);
    addAction(m_preferencesAction);

    m_quitAction = new QAction(QStringLiteral("Quit Quorvel"), this);
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setShortcutContext(Qt::WindowShortcut);
    m_quitAction->setEnabled(!m_settings.showInDock());
    connect(m_quitAction, &QAction::triggered, this, &FloatingWindow::quitRequested);
    addAction(m_quitAction);

    m_progress = m_watcher.isRecording() ? 1.0 : 0.0;
    m_transition = new QVariantAnimation(this);
    m_transition->setDuration(transitionMilliseconds);
    m_transition->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_transition, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toReal();
        applyPaletteToButton();
        update();
    });

    connect(&m_watcher, &FolderWatcher::isRecordingChanged, this,
            &FloatingWindow::onRecordingChanged);
    connect(&m_watcher, &FolderWatcher::changed, this, qOverload<>(&QWidget::update));
    connect(&m_settings, &UserDefaults::changed, this, &FloatingWindow::onSettingChanged);

    resize(sizeHint());
    layoutSettingsButton();
    applyPaletteToButton();
}

FloatingWindow::~FloatingWindow() = default;

QSize FloatingWindow::sizeHint() const
{
    return {440, 360};
}

void FloatingWindow::setContextMenu(QMenu* menu)
{
    m_contextMenu = menu;
}

WindowTheme FloatingWindow::theme() const
{
    return windowThemeFromRawValue(m_settings.windowTheme());
}

FloatingWindowText FloatingWindow::currentText() const
{
    return FloatingWindowText::from(m_watcher);
}

WindowPalette FloatingWindow::currentPalette() const
{
    const WindowTheme current = theme();
    return WindowPalette::blend(WindowPalette::of(current, false), WindowPalette::of(current, true),
                                m_progress);
}

bool FloatingWindow::isTransitioning() const
{
    return m_transition->state() == QAbstractAnimation::Running;
}

void FloatingWindow::onRecordingChanged()
{
    const qreal target = m_watcher.isRecording() ? 1.0 : 0.0;
    m_transition->stop();
    if (!isVisible()) {
        // Nobody would see the transition; a window shown later starts in the right state.
        m_progress = target;
        applyPaletteToButton();
        update();
        return;
    }
    m_transition->setStartValue(m_progress);
    m_transition->setEndValue(target);
    m_transition->start();
}

void FloatingWindow::onSettingChanged(const QString& key)
{
    if (key == SettingsKey::showInDock)
        m_quitAction->setEnabled(!m_settings.showInDock());
    if (key == SettingsKey::windowTheme) {
        applyPaletteToButton();
        update();
    }
}

void FloatingWindow::applyPaletteToButton()
{
    const WindowPalette palette = currentPalette();
    m_settingsButton->setGearColor(withOpacity(palette.ink, 0.5));
    m_settingsButton->setDotColor(ThemeColor::red());
    // Only the paper theme trades the gear for the record dot; the poster turns red as a whole.
    m_settingsButton->setDotAmount(theme() == WindowTheme::paper ? m_progress : 0.0);
}

void FloatingWindow::layoutSettingsButton()
{
    const FloatingLayout layout = FloatingLayout::forHeight(height());
    const qreal face = layout.settingsButtonSize();
    m_settingsButton->setFaceSize(face);
    const QSize size = m_settingsButton->sizeHint();
    const QFontMetricsF heading(DisplayFont::sans(layout.textSize, true));
    // Centred on the heading's capitals, as a symbol set on the first baseline would sit.
    const qreal centreY = headerBaseline(layout) - heading.capHeight() / 2;
    const qreal right = width() - FloatingLayout::sideInset;
    m_settingsButton->setGeometry(static_cast<int>(std::lround(right - size.width())),
                                  static_cast<int>(std::lround(centreY - size.height() / 2.0)),
                                  size.width(), size.height());
}

void FloatingWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSettingsButton();
}

void FloatingWindow::paintEvent(QPaintEvent*)
{
    const FloatingLayout layout = FloatingLayout::forHeight(height());
    const WindowPalette palette = currentPalette();
    const FloatingWindowText text = currentText();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), palette.background);

    const qreal left = FloatingLayout::sideInset;
    const qreal contentWidth = std::max<qreal>(width() - 2 * FloatingLayout::sideInset, 0);

    // Header: heading, a gap of at least 12, context, settings button; 8 between items.
    const QFont headingFont = DisplayFont::sans(layout.textSize, true);
    const QFont contextFont = DisplayFont::sans(layout.contextSize());
    const QFontMetricsF headingMetrics(headingFont);
    const QFontMetricsF contextMetrics(contextFont);
    const qreal baseline = headerBaseline(layout);
    const qreal buttonWidth = m_settingsButton->width();
    const qreal textRoom =
        std::max<qreal>(contentWidth - buttonWidth - 3 * FloatingLayout::headerSpacing -
                            FloatingLayout::headerMinimumGap,
                        0);
    const qreal headingNatural = headingMetrics.horizontalAdvance(text.heading);
    const qreal contextNatural = contextMetrics.horizontalAdvance(text.context);
    qreal headingWidth = headingNatural;
    qreal contextWidth = contextNatural;
    if (headingNatural + contextNatural > textRoom) {
        // Whichever needs less than half keeps its width; the other takes the rest.
        const qreal half = textRoom / 2;
        if (headingNatural <= half) {
            contextWidth = textRoom - headingNatural;
        } else if (contextNatural <= half) {
            headingWidth = textRoom - contextNatural;
        } else {
            headingWidth = half;
            contextWidth = half;
        }
    }
    const QString heading = headingMetrics.elidedText(text.heading, Qt::ElideMiddle, headingWidth);
    const QString context = contextMetrics.elidedText(text.context, Qt::ElideMiddle, contextWidth);
    painter.setPen(palette.ink);
    painter.setFont(headingFont);
    painter.drawText(QPointF(left, baseline), heading);
    painter.setPen(withOpacity(palette.ink, text.contextOpacity));
    painter.setFont(contextFont);
    const qreal contextRight =
        width() - FloatingLayout::sideInset - buttonWidth - FloatingLayout::headerSpacing;
    painter.drawText(QPointF(contextRight - contextMetrics.horizontalAdvance(context), baseline),
                     context);

    // Rule.
    const qreal ruleTop = headerBottom(layout) + FloatingLayout::ruleSpacing;
    painter.fillRect(QRectF(left, ruleTop, contentWidth, layout.ruleHeight), palette.ink);

    // Take display, stacked up from the bottom: numeral, folder line, status line.
    const QRectF area(
        left, ruleTop + layout.ruleHeight, contentWidth,
        std::max<qreal>(height() - FloatingLayout::bottomInset - (ruleTop + layout.ruleHeight), 0));
    painter.save();
    painter.setClipRect(area);

    const QFont numeralFont = DisplayFont::sans(layout.numeralSize, true);
    const qreal numeralBaseline =
        area.bottom() + layout.numeralBottomOverlap() - layout.numeralDescent();
    const qreal numeralBoxTop =
        numeralBaseline - layout.numeralAscent() + layout.numeralTopOverlap();
    const qreal scale =
        FloatingLayout::numeralScale(TightNumeral::width(text.number, numeralFont), contentWidth);
    painter.save();
    painter.translate(left, numeralBaseline);
    painter.scale(scale, scale);
    painter.setPen(withOpacity(palette.take, text.numberOpacity));
    TightNumeral::draw(painter, QPointF(0, 0), text.number, numeralFont);
    painter.restore();

    qreal stackTop = numeralBoxTop;
    if (text.folderLine) {
        const QFont folderFont = DisplayFont::sans(layout.folderLineSize());
        const QFontMetricsF folderMetrics(folderFont);
        const qreal folderBaseline = stackTop - folderMetrics.descent();
        painter.setFont(folderFont);
        painter.setPen(withOpacity(palette.folderLine, 0.4));
        painter.drawText(QPointF(left, folderBaseline),
                         folderMetrics.elidedText(*text.folderLine, Qt::ElideMiddle, contentWidth));
        stackTop = folderBaseline - folderMetrics.ascent() - FloatingLayout::folderLineSpacing;
    }

    const QFont labelFont = DisplayFont::sans(layout.textSize);
    const QFontMetricsF labelMetrics(labelFont);
    const QRectF labelBounds = labelMetrics.boundingRect(
        QRectF(0, 0, contentWidth, 10000), Qt::TextWordWrap | Qt::AlignLeft, text.label);
    painter.setFont(labelFont);
    painter.setPen(palette.take);
    painter.drawText(
        QRectF(left, stackTop - labelBounds.height(), contentWidth, labelBounds.height()),
        Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignBottom, text.label);
    painter.restore();
}

Qt::Edges FloatingWindow::edgesAt(const QPoint& position) const
{
    Qt::Edges edges;
    if (position.x() < resizeMargin)
        edges |= Qt::LeftEdge;
    if (position.x() >= width() - resizeMargin)
        edges |= Qt::RightEdge;
    if (position.y() < resizeMargin)
        edges |= Qt::TopEdge;
    if (position.y() >= height() - resizeMargin)
        edges |= Qt::BottomEdge;
    return edges;
}

void FloatingWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    QWindow* window = windowHandle();
    if (window && edges && window->startSystemResize(edges))
        return;
    if (window && !edges && window->startSystemMove())
        return;
    // Window systems that cannot move a window for us: follow the pointer ourselves.
    m_manualDrag = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void FloatingWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_manualDrag && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if ((edges & (Qt::LeftEdge | Qt::TopEdge)) == (Qt::LeftEdge | Qt::TopEdge) ||
        (edges & (Qt::RightEdge | Qt::BottomEdge)) == (Qt::RightEdge | Qt::BottomEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if ((edges & (Qt::RightEdge | Qt::TopEdge)) == (Qt::RightEdge | Qt::TopEdge) ||
             (edges & (Qt::LeftEdge | Qt::BottomEdge)) == (Qt::LeftEdge | Qt::BottomEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges & (Qt::TopEdge | Qt::BottomEdge))
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
}

void FloatingWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_manualDrag = false;
    QWidget::mouseReleaseEvent(event);
}

void FloatingWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_contextMenu)
        m_contextMenu->popup(event->globalPos());
}

} // namespace quorvel
