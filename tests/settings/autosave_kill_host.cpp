// A host whose user never stops changing the preview, for tst_autosavekill, which kills it.
// It restores the stored layout, shows the preview, and then changes the stack step by step
// (AutosaveKillPlan): bursts of steps every few milliseconds with pauses between them. After
// each step it prints "step <n> <ms>", ms being the monotonic clock's milliseconds, the
// clock the test reads too. It prints "ready" before the first step and ends by itself after
// a minute, should nobody kill it.
//
//   autosave_kill_host <seed>

#include "AutosaveKillPlan.h"

#include "BasicLayer.h"
#include "CMBasicLayer.h"
#include "PreviewCombineLogic.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"
#include "RelayoutLogic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>

namespace {

qint64 monotonicMs()
{
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

CMBasicLayer *layerNamed(PreviewCombineLogic *combine, const QString &name)
{
    for (const QPointer<CMLayer> &layer : combine->layers()) {
        if (layer && !layer->isDeleted() && layer->name() == name)
            return qobject_cast<CMBasicLayer *>(layer.data());
    }
    return nullptr;
}

int indexOf(PreviewCombineLogic *combine, const CMLayer *wanted)
{
    const QList<QPointer<CMLayer>> layers = combine->layers();
    for (int i = 0; i < layers.size(); ++i) {
        if (layers.at(i) == wanted)
            return i;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QRandomGenerator random(argc > 1 ? QByteArray(argv[1]).toUInt() : 1);

    PreviewEngine *engine = PreviewEngine::createInstance();
    engine->init(30);
    engine->setVideoSize(1280, 720); // a scene of 746 x 420, as stored
    QGraphicsScene scene;
    auto *root = new QGraphicsWidget;
    root->resize(746, 420);
    scene.addItem(root);
    engine->showPreview(root);

    PreviewLogic *logic = PreviewEngine::logic();
    PreviewCombineLogic *combine = logic->combine();
    CMBasicLayer *a = layerNamed(combine, QStringLiteral("a"));
    CMBasicLayer *b = layerNamed(combine, QStringLiteral("b"));
    auto *item = a ? qobject_cast<BasicLayer *>(a->uiLayer()) : nullptr;
    if (!b || !item) {
        std::fprintf(stderr, "autosave_kill_host: the stored layers a and b are not shown\n");
        return 1;
    }
    RelayoutLogic *relayout = logic->relayout();

    qint64 step = 0;
    qint64 pauseUntil = 0;
    QTimer steps;
    QObject::connect(&steps, &QTimer::timeout, [&] {
        const qint64 now = monotonicMs();
        if (now < pauseUntil)
            return;
        ++step;
        const QPoint at = AutosaveKillPlan::position(step);
        item->setGeometryAndNotify(QRectF(at.x(), at.y(), 40, 30));
        relayout->on_layoutsCombine(a->layerId(), AutosaveKillPlan::visible(step));
        const bool above = indexOf(combine, a) > indexOf(combine, b);
        if (above != AutosaveKillPlan::aAboveB(step))
            relayout->on_layoutsMove(a->layerId(), b->layerId());
        std::printf("step %lld %lld\n", static_cast<long long>(step),
                    static_cast<long long>(monotonicMs()));
        std::fflush(stdout);
        // Now and then the user stops for a moment: short pauses end a burst, long ones let
        // the file catch up.
        if (random.bounded(40) == 0)
            pauseUntil = monotonicMs() + random.bounded(450);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    steps.start(4);
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    const int result = app.exec();
    steps.stop();
    engine->release();
    return result;
}
