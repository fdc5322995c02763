#pragma once

#include <QImage>
#include <QWidget>

/// A picture box with a persistent image: drawing goes into the image, which the box shows
/// and which outlives repaints. Mouse positions are reported in twips.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    /// The persistent image, the size of the box in pixels.
    QImage &image() { return m_image; }
    const QImage &image() const { return m_image; }
    /// Erases everything drawn: the image shows the background colour again.
    void clearPicture();
    /// Pixels per inch the image is drawn at.
    double dpi() const;
    /// The inner size in twips.
    double scaleWidth() const;
    double scaleHeight() const;

signals:
    void mouseDown(Qt::MouseButton button, double x, double y);
    void mouseUp(Qt::MouseButton button, double x, double y);
    void mouseMove(Qt::MouseButtons buttons, double x, double y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPointF twipsAt(const QPointF &pixels) const;

    QImage m_image;
};
