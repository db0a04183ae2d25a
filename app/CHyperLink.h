#pragma once
// A text that acts as a web link: underlined, coloured by its state (active, hovering, visited),
// with a pointing-hand cursor and its target as tool-tip. A click (released over the link) or
// Space opens the target in the browser; a failure beeps and says why.

#include "app/Platform.h"

#include <QColor>
#include <QLabel>
#include <cstdint>
#include <string>

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    enum StyleBit : uint32_t {
        Underline = 0x01,
        HoverColour = 0x02,
        FitToText = 0x04,
        OpenOnPress = 0x08,
        FocusOnPress = 0x10,
        KeepArrowCursor = 0x20,
        NoActiveColour = 0x40,
    };
    static const QColor linkColour;
    static const QColor activeColour;
    static const QColor visitedColour;
    static const QColor hoverColour;

    CHyperLink(QWidget* parent, Platform& platform);

    // Makes the placed label a live link: the target and the text supply each other, the font
    // is underlined, the control is fitted to its text, the cursor and the tool-tip are set.
    void OnAttach();
    // The colour the text is drawn in now: hover, then active, then visited, then link.
    QColor TextColour() const;

    uint32_t linkStyle = Underline | FitToText | FocusOnPress;
    std::string target;
    bool IsActive() const { return active; }
    bool IsVisited() const { return visited; }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OpenTarget();
    void FitWindowToText();
    void Repaint();

    Platform& platform;
    bool active = false;
    bool hovering = false;
    bool visited = false;
};
