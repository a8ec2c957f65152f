#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class OutputFeed;

// Shows the composed output exactly as the host receives it, scaled to fit with its aspect
// ratio kept. Each new frame is scaled once, straight from the feed's buffer into an image of
// the widget's device pixels; painting then copies that image 1:1, with no conversion.
class OutputView : public QWidget
{
    Q_OBJECT

public:
    explicit OutputView(QWidget *parent = nullptr);

    void setFeed(OutputFeed *feed);

    QSize sizeHint() const override;
    // Where the frame is painted, in widget coordinates; empty before the first frame.
    QRect frameRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void _rescale();

    OutputFeed *m_feed = nullptr;
    QImage m_scaled; // device pixels, at the device pixel ratio of the widget
    QRect m_target;  // in device pixels
};
