// The list widget with 1,000 rows (the layer manager's list, the gallery's): rebuilding it on a
// model reset, one wheel step and one selection change by a click, each followed by the repaint
// the user waits for. All three must stay well under a 16 ms frame.

#include "PreviewListWidget.h"

#include <guifoundation/UIBaseWindow.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QWheelEvent>

namespace {

constexpr int Rows = 1000;

QStandardItemModel *makeModel()
{
    auto *model = new QStandardItemModel;
    for (int row = 0; row < Rows; ++row)
        model->appendRow(new QStandardItem(QStringLiteral("Picture %1").arg(row)));
    return model;
}

// A shown window with a 320 x 240 list bound to 1,000 rows.
struct ListWindow
{
    UIBaseWindow window;
    PreviewListWidget *list = new PreviewListWidget(window.contentControl());

    ListWindow()
    {
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.setFixSize(360, 280);
        list->setFixSize(QSizeF(320, 240));
        window.contentControl()->setMargins(QMarginsF(20, 20, 20, 20));
        window.contentControl()->addItem(list);
        list->setModel(makeModel());
        window.show();
        settle();
    }

    // What happens before the next frame is on the screen: posted work, deletions, the paint.
    void settle()
    {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window.viewport()->repaint();
    }

    QPoint rowPoint(int index) const
    {
        const QPointF local(100, index * 24 + 12 - list->scrollValue());
        return window.mapFromScene(list->mapToScene(local));
    }
};

void modelReset(benchmark::State &state)
{
    ListWindow w;
    for (auto _ : state) {
        state.PauseTiming();
        QStandardItemModel *model = makeModel();
        state.ResumeTiming();
        w.list->setModel(model); // the previous model stays the list's child until it goes
        w.settle();
    }
}
BENCHMARK(modelReset)->Unit(benchmark::kMillisecond);

void wheelStep(benchmark::State &state)
{
    ListWindow w;
    const QPoint at = w.rowPoint(3);
    int delta = -120;
    for (auto _ : state) {
        QWheelEvent wheel(at, w.window.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.window.viewport(), &wheel);
        w.settle();
        // Down and up again, so every step really moves the list.
        if (w.list->scrollValue() >= 480 || w.list->scrollValue() <= 0)
            delta = -delta;
    }
}
BENCHMARK(wheelStep)->Unit(benchmark::kMicrosecond);

void selectionChange(benchmark::State &state)
{
    ListWindow w;
    int row = 0;
    for (auto _ : state) {
        row = (row + 1) % 8;
        const QPoint at = w.rowPoint(row);
        QMouseEvent press(QEvent::MouseButtonPress, at, w.window.viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w.window.viewport()->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.window.viewport(), &press);
        QApplication::sendEvent(w.window.viewport(), &release);
        w.settle();
    }
}
BENCHMARK(selectionChange)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
