#pragma once

#include <QString>
#include <QWidget>

#include <chrono>

class QLabel;
class QPropertyAnimation;

namespace platform {
class WindowEffects;
}

// The floating panel itself: a glyph and a line of text on a dark rounded
// background, in a window that floats above all others on every desktop,
// never takes focus and lets clicks through. Blurs what lies behind it where
// the compositor can; without a compositor it is opaque with a rounded mask.
class IndicatorPanel : public QWidget {
    Q_OBJECT
public:
    IndicatorPanel(const QString& text, const QString& glyph, platform::WindowEffects& effects);

    QString text() const { return m_text; }
    QString glyph() const { return m_glyph; }
    const QLabel* glyphLabel() const { return m_glyphLabel; }
    const QLabel* textLabel() const { return m_textLabel; }
    bool isTranslucent() const { return m_translucent; }
    bool hasBlur() const { return m_blur; }

    // Animates the window's opacity down to 0, then sends fadedOut().
    void fadeOut(std::chrono::milliseconds duration);
    bool isFading() const;

signals:
    void fadedOut();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QString m_glyph;
    bool m_translucent = false;
    bool m_blur = false;
    QLabel* m_glyphLabel = nullptr;
    QLabel* m_textLabel = nullptr;
    QPropertyAnimation* m_fade = nullptr;
};
