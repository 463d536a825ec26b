#pragma once
// A one-line label that cuts a text too long for it in the middle ("long…name.wav"), so
// both the start and the end stay readable, and asks for no width of its own: a long
// name never widens its window.

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    const QString& FullText() const { return m_fullText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Elide();

    QString m_fullText;
};
