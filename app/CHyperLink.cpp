#include "app/CHyperLink.h"

#include "app/BrowserCommand.h"
#include "app/TextBridge.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

const QColor CHyperLink::linkColour(0, 0, 255);
const QColor CHyperLink::activeColour(0, 128, 128);
const QColor CHyperLink::visitedColour(128, 0, 128);
const QColor CHyperLink::hoverColour(255, 0, 0);

CHyperLink::CHyperLink(QWidget* parent, Platform& platform) : QLabel(parent), platform(platform) {
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus); // not a tab stop; a click gives it the focus
}

void CHyperLink::OnAttach() {
    if (target.empty())
        target = FromQt(text());
    if (text().isEmpty())
        setText(ToQt(target));
    QFont linkFont = font();
    linkFont.setUnderline((linkStyle & Underline) != 0);
    setFont(linkFont);
    FitWindowToText();
    if ((linkStyle & KeepArrowCursor) == 0)
        setCursor(Qt::PointingHandCursor);
    setToolTip(ToQt(target));
    Repaint();
}

void CHyperLink::FitWindowToText() {
    if ((linkStyle & FitToText) == 0)
        return;
    const QFontMetrics metrics(font());
    const int margins = 2 * frameWidth() + contentsMargins().left() + contentsMargins().right();
    // Left-aligned: the control keeps its top-left corner and shrinks to its text.
    resize(metrics.horizontalAdvance(text()) + margins, metrics.height() + 2 * frameWidth());
}

QColor CHyperLink::TextColour() const {
    if (hovering && (linkStyle & HoverColour) != 0)
        return hoverColour;
    if (active && (linkStyle & NoActiveColour) == 0)
        return activeColour;
    return visited ? visitedColour : linkColour;
}

void CHyperLink::Repaint() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, TextColour());
    setPalette(p);
    update();
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != hovering) {
        hovering = inside;
        Repaint();
    }
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    hovering = false;
    Repaint();
    QLabel::leaveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QLabel::mousePressEvent(event);
    if ((linkStyle & FocusOnPress) != 0)
        setFocus(Qt::MouseFocusReason);
    if ((linkStyle & OpenOnPress) != 0)
        OpenTarget();
    active = true;
    Repaint();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    // A press dragged off the link and released elsewhere opens nothing.
    if (event->button() == Qt::LeftButton && active && (linkStyle & OpenOnPress) == 0 &&
        rect().contains(event->position().toPoint()))
        OpenTarget();
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space)
        OpenTarget();
    else
        QLabel::keyPressEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
    active = true;
    Repaint();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
    hovering = false;
    active = false;
    Repaint();
    QLabel::focusOutEvent(event);
}

void CHyperLink::OpenTarget() {
    // The answer comes later; the link may be gone by then.
    QPointer<CHyperLink> self(this);
    platform.LaunchAddress(target, [self](bool opened, int code) {
        if (!self)
            return;
        if (!opened) {
            self->platform.Beep();
            self->platform.ShowMessage(self, BrowserCommand::FailureMessage(code));
            return;
        }
        self->visited = true;
        self->Repaint();
    });
}
